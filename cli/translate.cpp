#include "translate.h"

#include "commands.h"
#include "text/encodings.h"
#include "files/fileerror.h"
#include "format/gxtdocument.h"
#include "files/safefile.h"
#include "translation/translation.h"

namespace zarnik::cli {

namespace {

std::string keyList(const std::vector<std::string>& keys)
{
    std::string s;
    for (size_t i = 0; i < keys.size() && i < 20; ++i)
        s += (i ? ", " : "") + keys[i];
    if (keys.size() > 20)
        s += ", ... (" + std::to_string(keys.size() - 20) + " more)";
    return s;
}

std::string count(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

void RunExtract(const std::string& path, const std::string& target, int mode,
                const std::optional<std::string>& source, Output& out)
{
    const auto format = TranslationFormatFor(target);
    if (!format)
        throw CommandError("cannot tell the format of " + target + ": name it .po, .pot or .tsv");
    if (format == TranslationFormat::Tsv && source)
        throw CommandError("--source is for PO files; a TSV file holds the texts of one file");
    const GxtDocument doc = LoadGxtFile(path);
    std::optional<GxtDocument> sourceDoc;
    if (source)
        sourceDoc = LoadGxtFile(*source);
    const SourceComparison cmp =
        ExportTranslation(doc, mode, sourceDoc ? &*sourceDoc : nullptr, target, *format);
    if (!cmp.onlyInFile.empty())
        out.write("keys not in " + *source + " (their own text is the msgid): " + keyList(cmp.onlyInFile) + "\n");
    if (!cmp.onlyInSource.empty())
        out.write("keys only in " + *source + " (left out): " + keyList(cmp.onlyInSource) + "\n");
    out.write("extracted " + count(doc.Count(), "entry", "entries") + " in " + ModeName(mode) +
              " mode to " + target + "\n");
}

void RunApply(const std::string& path, const std::string& translation, const ApplyOptions& options,
              Output& out)
{
    GxtDocument doc = LoadGxtFile(path);
    const Translation tr = ReadTranslationFile(translation);
    const int mode = TranslationMode(tr, options.mode, kModeBuka);
    ApplyResult r = ApplyTranslation(doc, tr, mode, options.useFuzzy);

    std::string report = "applied " + translation + " in " + ModeName(mode) + " mode: " +
                         count(r.replaced, "text", "texts") + " taken, " +
                         count(r.changes.size(), "text", "texts") + " changed";
    if (r.untranslated)
        report += ", " + count(r.untranslated, "untranslated entry", "untranslated entries") + " kept";
    if (r.fuzzyKept)
        report += ", " + count(r.fuzzyKept, "fuzzy entry", "fuzzy entries") + " kept (--use-fuzzy takes them)";
    report += "\n";
    if (r.storedDifferently)
        report += count(r.storedDifferently, "text is", "texts are") +
                  " stored as the editor stores typed text, and read differently from what was "
                  "written (\"\xD1\x91\" as \"\xD0\xB5\", lower case in pirate mode, letters the "
                  "mode has no slot of their own for)\n";

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
