// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

#include "platform.h"
#include "text/cp1251.h"
#include "text/encodingdetect.h"
#include "text/encodings.h"
#include "files/fileerror.h"
#include "format/gxtdocument.h"
#include "files/safefile.h"
#include "format/textexport.h"

#include <array>
#include <cstring>

namespace zarnik::cli {

void Output::write(std::string_view text)
{
    buffer_.append(text);
    flushIfFull();
}

void Output::flush()
{
    // Taken out before writing, so a failed write is not written again by a later flush.
    std::string pending;
    pending.swap(buffer_);
    buffer_.reserve(kChunk);
    WriteStandard(fd_, pending);
}

namespace {

// What one stored byte becomes on the terminal in a given mode: the display table of
// that mode, then Windows-1251 to UTF-8, with the characters that would break a line
// apart escaped. Built once per run, so listing costs one lookup per byte.
struct TerminalByte {
    char bytes[3];
    uint8_t size;
};
using TerminalTable = std::array<TerminalByte, 256>;

TerminalTable makeTerminalTable(const uint8_t* display)
{
    TerminalTable table{};
    for (int b = 0; b < 256; ++b) {
        const char shown = static_cast<char>(display[b]);
        std::string s;
        switch (shown) {
        case '\t': s = "\\t"; break;
        case '\n': s = "\\n"; break;
        case '\r': s = "\\r"; break;
        case '\\': s = "\\\\"; break;
        case '\0': s = "\\0"; break;
        default: s = Cp1251ToUtf8(std::string_view(&shown, 1)); break;
        }
        std::memcpy(table[b].bytes, s.data(), s.size());
        table[b].size = static_cast<uint8_t>(s.size());
    }
    return table;
}

void appendForTerminal(std::string& out, std::string_view bytes, const TerminalTable& table)
{
    for (char c : bytes) {
        const TerminalByte& t = table[static_cast<uint8_t>(c)];
        out.append(t.bytes, t.size);
    }
}

}  // namespace

std::string savedLine(const std::string& target, const SaveOutcome& outcome)
{
    std::string line = "saved " + target;
    if (outcome.path != target)
        line += " (the file it links to, " + outcome.path + ")";
    if (!outcome.backup.empty())
        line += "; the previous file is kept as " + outcome.backup;
    return line + "\n";
}

void RunInfo(const std::string& path, Output& out)
{
    const GxtDocument doc = LoadGxtFile(path);
    size_t pirate = 0, buka = 0, neither = 0;
    for (size_t i = 0; i < doc.Count(); ++i) {
        const std::string_view t = doc.text(i);
        const bool p = IsPirateText(t);
        const bool b = IsBukaText(t);
        pirate += p;
        buka += b;
        neither += !p && !b;
    }
    const EncodingVerdict encoding = DetectEncoding(doc);
    std::string language;
    appendForTerminal(language, std::string(1, doc.languageLetter()),
                      makeTerminalTable(DisplayTableFor(kModeOriginal)));
    out.write("Language:                " + language + "\n" +
              "Entries:                 " + std::to_string(doc.Count()) + "\n" +
              "Key table:               " + std::to_string(doc.keyTableSize()) + " bytes\n" +
              "String data:             " + std::to_string(doc.dataSize()) + " bytes\n" +
              "Texts with Pirate bytes: " + std::to_string(pirate) + "\n" +
              "Texts with Buka bytes:   " + std::to_string(buka) + "\n" +
              "Texts with neither:      " + std::to_string(neither) + "\n" +
              "encoding: " + std::string(EncodingName(encoding.encoding)) + " (" +
              std::to_string(encoding.supporting) + " of " + std::to_string(encoding.total) +
              " texts)\n");
}

void RunList(const std::string& path, int mode, Output& out)
{
    const GxtDocument doc = LoadGxtFile(path);
    const TerminalTable keyTable = makeTerminalTable(DisplayTableFor(kModeOriginal));
    const TerminalTable textTable = makeTerminalTable(DisplayTableFor(mode));
    std::string& buf = out.buffer();
    for (size_t i = 0; i < doc.keys.size(); ++i) {
        appendForTerminal(buf, doc.keys[i].shownName(), keyTable);
        buf.push_back('\t');
        appendForTerminal(buf, doc.text(i), textTable);
        buf.push_back('\n');
        out.flushIfFull();
    }
}

void RunExport(const std::string& path, const std::optional<std::string>& target, Output& out)
{
    const GxtDocument doc = LoadGxtFile(path);
    if (target == "-") {
        WriteTextExport(doc, [&out](std::string_view piece) { out.write(piece); });
        return;
    }
    const std::string written = target.value_or(ExportTargetFor(path));
    // "texts.txt" exports to itself by default; the user's file must not become its own export.
    if (SameFile(path, written))
        throw CommandError("cannot export " + path + " onto itself; name another output file");
    // The report line would end up inside the export written to the terminal or pipe.
    const bool quiet = IsStandardOutput(written);
    if (target)
        ReplaceFileSafely(
            *target, [&doc](const auto& emit) { WriteTextExport(doc, emit); }, BackupPolicy::None,
            RealFileSystem(), SpecialTarget::WriteInto);
    else
        ExportTextFile(doc, path);
    if (!quiet)
        out.write("exported " + std::to_string(doc.Count()) + " entries to " + written + "\n");
}

void RunRecode(RecodeDirection direction, const std::string& path,
               const std::optional<std::string>& target, Output& out)
{
    GxtDocument doc = LoadGxtFile(path);
    const bool toBuka = direction == RecodeDirection::PirateToBuka;
    const size_t total = doc.Count();
    const size_t recoded = RecodeAll(doc, direction);
    const std::string count = std::to_string(recoded) + " of " + std::to_string(total) + " texts";

    // Saving an unchanged file in place would only replace its backup, which may be
    // the sole copy of what the file held before an earlier recode.
    if (recoded == 0 && !target) {
        out.write(std::string("no ") + (toBuka ? "Pirate" : "Buka") + " texts to recode; " +
                  path + " is left as it was\n");
        return;
    }

    const std::string saveTo = target.value_or(path);
    const SaveOutcome outcome = SaveGxtFile(doc, saveTo);
    out.write("recoded " + count + "; " + savedLine(saveTo, outcome));
}

void RunResave(const std::string& path, const std::optional<std::string>& target, Output& out)
{
    GxtDocument doc = LoadGxtFile(path);
    const std::string saveTo = target.value_or(path);
    const SaveOutcome outcome = SaveGxtFile(doc, saveTo);
    out.write(savedLine(saveTo, outcome));
}

}  // namespace zarnik::cli
