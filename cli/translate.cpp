// SPDX-License-Identifier: GPL-3.0-or-later
#include "translate.h"

#include "commands.h"
#include "text/encodingdetect.h"
#include "text/encodings.h"
#include "files/fileerror.h"
#include "format/gxtdocument.h"
#include "files/safefile.h"
#include "translation/translation.h"

namespace zarnik::cli {

namespace {

// The first 20 of a list, then how many more, so that a long list stays readable.
template <typename Item, typename Show>
std::string capped(const std::vector<Item>& items, const char* separator, Show show)
{
    std::string s;
    for (size_t i = 0; i < items.size() && i < 20; ++i)
        s += (i ? separator : "") + show(items[i]);
    if (items.size() > 20)
        s += separator + std::string("and ") + std::to_string(items.size() - 20) + " more";
    return s;
}

std::string quoted(const std::string& key) { return "\"" + key + "\""; }

std::string count(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The mode a file's texts are written in when none is given: the one its encoding calls for.
int detectedMode(const GxtDocument& doc)
{
    return ModeForEncoding(DetectEncoding(doc).encoding);
}

}  // namespace

void RunExtract(const std::string& path, const std::string& target, TranslationFormat format,
                std::optional<int> mode, const std::optional<std::string>& source, Output& out)
{
    const GxtDocument doc = LoadGxtFile(path);
    std::optional<GxtDocument> sourceDoc;
    if (source)
        sourceDoc = LoadGxtFile(*source);
    const int used = mode.value_or(detectedMode(doc));
    const int sourceMode = sourceDoc ? mode.value_or(detectedMode(*sourceDoc)) : used;
    const SourceComparison cmp =
        ExportTranslation(doc, used, sourceDoc ? &*sourceDoc : nullptr, sourceMode, target, format);
    if (!cmp.onlyInFile.empty())
        out.write("keys not in " + *source + " (their own text is the msgid): " + capped(cmp.onlyInFile, ", ", quoted) + "\n");
    if (!cmp.onlyInSource.empty())
        out.write("keys only in " + *source + " (left out): " + capped(cmp.onlyInSource, ", ", quoted) + "\n");
    out.write("extracted " + count(doc.Count(), "entry", "entries") + " in " + ModeName(used) + " mode" +
              (mode ? "" : " (the file's encoding)") + " to " + target + "\n");
    if (sourceDoc && sourceMode != used)
        out.write(*source + " read in " + ModeName(sourceMode) + " mode (its encoding)\n");
}

void RunApply(const std::string& path, const std::string& translation, const ApplyOptions& options,
              Output& out)
{
    GxtDocument doc = LoadGxtFile(path);
    const Translation tr = ReadTranslationFile(translation);
    const bool detected = !tr.mode && !options.mode;
    const int mode = TranslationMode(tr, options.mode, detected ? detectedMode(doc) : kModeBuka);
    ApplyResult r = ApplyTranslation(doc, tr, mode, options.useFuzzy);

    std::string report = "applied " + translation + " in " + ModeName(mode) + " mode" +
                         (detected ? " (the file's encoding)" : "") + ": " +
                         count(r.replaced, "text", "texts") + " taken, " +
                         count(r.changes.size(), "text", "texts") + " changed";
    if (r.untranslated)
        report += ", " + count(r.untranslated, "untranslated entry", "untranslated entries") + " kept";
    if (r.fuzzyKept)
        report += ", " + count(r.fuzzyKept, "fuzzy entry", "fuzzy entries") + " kept (--use-fuzzy takes them)";
    report += "\n";
    if (r.unknownUntranslated)
        report += count(r.unknownUntranslated, "untranslated entry", "untranslated entries") + " with keys " + path +
                  " does not have passed over\n";
    if (!r.storedDifferently.empty())
        report += count(r.storedDifferently.size(), "text is", "texts are") +
                  " stored as the editor stores typed text, and read differently from what was "
                  "written (\"\xD1\x91\" as \"\xD0\xB5\", lower case in pirate mode, letters the "
                  "mode has no slot of their own for):\n" +
                  capped(r.storedDifferently, "\n", [](const ApplyResult::Difference& d) {
                      return "  " + quoted(d.key) + ": " + d.characters;
                  }) + "\n";

    const bool newLanguage = options.language && *options.language != doc.languageLetter();
    if (options.language)
        doc.FileHeader[3] = static_cast<uint8_t>(*options.language);
    // Only a text that differs gets bytes of its own; the rest keep sharing the loaded ones.
    for (TextChange& change : r.changes)
        doc.setText(change.index, std::move(change.text));

    // As with recode: an unchanged in-place save would only overwrite the backup.
    if (r.changes.empty() && !newLanguage && !options.target) {
        out.write(report + "nothing changed; " + path + " is left as it was\n");
        return;
    }
    const std::string saveTo = options.target.value_or(path);
    const SaveOutcome outcome = SaveGxtFile(doc, saveTo);
    out.write(report + savedLine(saveTo, outcome));
}

}  // namespace zarnik::cli
