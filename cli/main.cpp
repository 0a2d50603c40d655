// SPDX-License-Identifier: GPL-3.0-or-later
// zarnik-cli: the editor's reading, export and recoding of .gxt files, for scripts and
// terminals. Links the document core only, so it runs where no display exists.
#include "commands.h"
#include "platform.h"
#ifndef ZARNIK_NO_TRANSLATIONS
#include "translate.h"
#endif

#include "text/encodings.h"
#include "files/fileerror.h"
#include "translation/translation.h"

#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace zarnik;
using namespace zarnik::cli;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct CommandRow;

// Thrown for a malformed command line; main prints it with the usage line and exits 2.
struct UsageError {
    std::string message;
    const CommandRow* command;  // null: the general usage line
};

struct Invocation {
    const CommandRow* command = nullptr;
    std::vector<std::string> positionals;
    std::optional<std::string> output;
    int mode = kModeBuka;  // the editor's default
    bool modeGiven = false;
    std::optional<std::string> source;
    std::optional<char> language;
    bool useFuzzy = false;
    bool help = false;
};

// What each command does with its command line.
void runInfo(const Invocation& inv, Output& out) { RunInfo(inv.positionals[0], out); }
void runList(const Invocation& inv, Output& out) { RunList(inv.positionals[0], inv.mode, out); }
void runExport(const Invocation& inv, Output& out)
{
    const auto& pos = inv.positionals;
    RunExport(pos[0], pos.size() > 1 ? std::optional(pos[1]) : std::nullopt, out);
}
void runRecode(const Invocation& inv, Output& out)
{
    const std::string& direction = inv.positionals[0];
    if (direction != "pirate-to-buka" && direction != "buka-to-pirate")
        throw UsageError{"unknown direction '" + direction + "'", inv.command};
    RunRecode(direction == "pirate-to-buka" ? RecodeDirection::PirateToBuka : RecodeDirection::BukaToPirate,
              inv.positionals[1], inv.output, out);
}
void runResave(const Invocation& inv, Output& out) { RunResave(inv.positionals[0], inv.output, out); }
#ifdef ZARNIK_NO_TRANSLATIONS
void runTranslation(const Invocation& inv, Output&)
{
    throw UsageError{"PO and TSV files are not supported by this build (it has no GNU gettext)", inv.command};
}
constexpr auto runExtract = &runTranslation, runApply = &runTranslation;
#else
std::optional<int> givenMode(const Invocation& inv)
{
    return inv.modeGiven ? std::optional(inv.mode) : std::nullopt;
}
void runExtract(const Invocation& inv, Output& out)
{
    if (!inv.output)
        throw UsageError{"missing -o OUT.po, OUT.pot or OUT.tsv", inv.command};
    const auto format = TranslationFormatFor(*inv.output);
    if (!format)
        throw UsageError{"cannot tell the format of " + *inv.output + ": name it .po, .pot or .tsv", inv.command};
    if (format == TranslationFormat::Tsv && inv.source)
        throw UsageError{"--source is for PO files; a TSV file holds the texts of one file", inv.command};
    RunExtract(inv.positionals[0], *inv.output, *format, givenMode(inv), inv.source, out);
}
void runApply(const Invocation& inv, Output& out)
{
    if (!TranslationFormatFor(inv.positionals[1]))
        throw UsageError{"cannot tell the format of " + inv.positionals[1] + ": name it .po, .pot or .tsv",
                         inv.command};
    RunApply(inv.positionals[0], inv.positionals[1],
             {inv.output, givenMode(inv), inv.language, inv.useFuzzy}, out);
}
#endif

struct CommandRow {
    std::string_view name;
    std::string_view arguments;  // the usage line after the command name
    std::string_view summary;
    std::string_view details;
    size_t minPositionals, maxPositionals;
    bool takesMode;
    bool takesOutput;
    void (*run)(const Invocation&, Output&);
    std::string_view otherOptions = {};  // further options it takes, space-separated
};

constexpr CommandRow kCommands[] = {
    {"info", "FILE.gxt", "the file's header figures and which encodings its texts use",
     "Prints the language letter, the number of entries, the sizes of the key table and of\n"
     "the string data as the headers state them, and how many texts hold Pirate bytes,\n"
     "Buka bytes, or neither (a text holding both is counted under both), and which\n"
     "encoding the file is in: buka, pirate, windows-1251, none (no Russian text) or mixed\n"
     "(no encoding explains most of the Russian texts), with the number of texts behind\n"
     "that verdict. Bytes alone cannot tell: the verdict comes from how Russian each text\n"
     "reads in each encoding, by letter and letter-pair frequencies.\n",
     1, 1, false, false, runInfo},
    {"list", "FILE.gxt [--mode original|pirate|buka]", "every key and its text, one entry a line",
     "Prints each key, a tab and its text as the editor shows it in the given language mode\n"
     "(default buka), in UTF-8. Tabs, line breaks, backslashes and zero bytes are written\n"
     "as \\t, \\n, \\r, \\\\ and \\0, so every entry stays on one line.\n",
     1, 1, true, false, runList},
    {"export", "FILE.gxt [OUT.txt]", "the editor's plain-text export",
     "Writes exactly what the editor's export writes (Windows-1251, CR LF) to OUT.txt, or\n"
     "without OUT.txt to FILE with its extension replaced by \".txt\". An existing output\n"
     "file is replaced; it is never left half-written. OUT.txt \"-\" is standard output; a\n"
     "pipe or a device named as OUT.txt is written into.\n",
     1, 2, false, false, runExport},
    {"recode", "pirate-to-buka|buka-to-pirate FILE.gxt [-o OUT.gxt]",
     "convert every Russian text between the two encodings",
     "Recodes every text holding Pirate (or Buka) bytes, like the editor's recode-all, and\n"
     "saves FILE.gxt in place, or OUT.gxt with -o. The file replaced keeps its previous\n"
     "contents as a backup under its name followed by \"_\". When no text needs recoding,\n"
     "an in-place recode writes nothing, so the existing backup survives.\n",
     2, 2, false, true, runRecode},
    {"resave", "FILE.gxt [-o OUT.gxt]", "load and save again in the editor's layout",
     "Saves FILE.gxt (or OUT.gxt with -o) as the editor saves: strings in key-table order,\n"
     "back to back, sizes and offsets recomputed. The previous file is kept as its name\n"
     "followed by \"_\". A symbolic link is followed and stays a link; a pipe or a device\n"
     "is never replaced.\n",
     1, 1, false, true, runResave},
    {"extract", "FILE.gxt -o OUT.po|OUT.pot|OUT.tsv [--mode original|pirate|buka] [--source SRC.gxt]",
     "the texts out to a PO, POT or TSV file for translators",
     "Writes every entry of FILE.gxt, in the given language mode (default: the one its\n"
     "detected encoding calls for, buka or pirate for Russian files, original for the\n"
     "rest; SRC.gxt is read in its own), to OUT:\n"
     "  .po   gettext PO: msgctxt is the key, msgstr the text, msgid the text of the same\n"
     "        key in SRC.gxt (with --source, typically the English e.gxt); without\n"
     "        --source it is a template (msgid the text, msgstr empty)\n"
     "  .pot  a template: msgid the text (of SRC.gxt with --source), msgstr empty\n"
     "  .tsv  a first line naming the format and the mode, then per entry the key, a tab\n"
     "        and the text, with the escapes of list; a field holding a quote is quoted\n"
     "        as spreadsheets quote, and one a spreadsheet would take for a number, date\n"
     "        or formula starts with an escape, so LibreOffice Calc and Excel keep it\n"
     "Keys found in only one of FILE.gxt and SRC.gxt are listed. A byte the mode would\n"
     "not store back as it is, or one the format cannot hold, is written as \xE2\x9F\xA6HH\xE2\x9F\xA7\n"
     "(its two hex digits between white square brackets): leave those as they are.\n\n"
     "A translator's three steps, English file to Russian (Buka):\n"
     "  1. zarnik-cli extract r.gxt -o ru.po --source e.gxt\n"
     "  2. translate ru.po in a PO editor (Poedit, Lokalize, Weblate, ...)\n"
     "  3. zarnik-cli apply r.gxt ru.po\n"
     "Starting a new translation from the English file alone:\n"
     "  zarnik-cli extract e.gxt -o ru.pot, translate it into ru.po, then\n"
     "  zarnik-cli apply e.gxt ru.po -o r.gxt --language R\n",
     1, 1, true, true, runExtract, "--source"},
    {"apply", "FILE.gxt IN.po|IN.tsv [-o OUT.gxt] [--mode M] [--language LETTER] [--use-fuzzy]",
     "replace texts by those of a PO or TSV file, matched by key",
     "Gives each entry IN names (by its full key) the text IN has for it, and saves\n"
     "FILE.gxt in place, or OUT.gxt with -o; the file replaced is kept as its name\n"
     "followed by \"_\". Texts are read in the mode IN was extracted in (TSV and Zarnik's\n"
     "PO files say which), else in --mode (default: the one FILE.gxt's encoding calls\n"
     "for), and stored as the editor stores\n"
     "typed text: \"\xD1\x91\" becomes \"\xD0\xB5\", pirate mode upper-cases, a letter the mode\n"
     "has no slot of its own for (\"\xD0\xAA\" in buka) takes the one it shares; such texts\n"
     "are counted in the report. Untranslated PO entries keep the file's text, and so do\n"
     "fuzzy ones unless --use-fuzzy; untranslated entries with keys FILE.gxt lacks (from\n"
     "a newer template) are passed over. --language sets the file's language letter.\n"
     "IN may be UTF-8, with or without a byte-order mark, or UTF-16 with one.\n"
     "An unknown key of a translated entry, a key given twice, a character outside\n"
     "Windows-1251, a zero byte inside a text, a malformed line or a TSV whose last line\n"
     "has no line break (a cut file) is reported with its file and line, and nothing is\n"
     "written.\n\n"
     "A translator's three steps, English file to Russian (Buka):\n"
     "  1. zarnik-cli extract r.gxt -o ru.po --source e.gxt\n"
     "  2. translate ru.po in a PO editor (Poedit, Lokalize, Weblate, ...)\n"
     "  3. zarnik-cli apply r.gxt ru.po\n",
     2, 2, true, true, runApply, "--language --use-fuzzy"},
};

const CommandRow* findCommand(std::string_view name)
{
    for (const CommandRow& c : kCommands)
        if (c.name == name)
            return &c;
    return nullptr;
}

std::string usageLine(const CommandRow& c)
{
    return "usage: zarnik-cli " + std::string(c.name) + " " + std::string(c.arguments) + "\n";
}

const char kGeneralUsage[] = "usage: zarnik-cli COMMAND ARGUMENTS... (zarnik-cli --help lists the commands)\n";

std::string generalHelp()
{
    std::string text =
        "usage: zarnik-cli COMMAND ARGUMENTS...\n"
        "Reads, exports and recodes GTA2 text files (.gxt) as the Zarnik editor does, and\n"
        "takes their texts out to translators' PO or TSV files and back.\n\n"
        "Commands:\n";
    for (const CommandRow& c : kCommands) {
        text += "  " + std::string(c.name) + " " + std::string(c.arguments) + "\n";
        text += "      " + std::string(c.summary) + "\n";
    }
    text +=
        "  help [COMMAND]\n"
        "      this text, or the details of one command\n\n"
        "Options: --help, --version.\n"
        "Exit status: 0 on success, 1 when a file cannot be read or written (the reason is\n"
        "on standard error), 2 when the command line is wrong.\n";
    return text;
}

std::string commandHelp(const CommandRow& c)
{
    std::string summary(c.summary);
    summary[0] = static_cast<char>(summary[0] - 'a' + 'A');
    return usageLine(c) + summary + ".\n\n" + std::string(c.details);
}

int parseMode(std::string_view value, const CommandRow* c)
{
    if (const auto mode = ModeByName(value))
        return *mode;
    throw UsageError{"unknown mode '" + std::string(value) + "' (original, pirate or buka)", c};
}

bool takesOption(const CommandRow& c, std::string_view option)
{
    const std::string_view list = c.otherOptions;
    for (size_t at = list.find(option); at != std::string_view::npos; at = list.find(option, at + 1)) {
        const size_t end = at + option.size();
        if ((at == 0 || list[at - 1] == ' ') && (end == list.size() || list[end] == ' '))
            return true;
    }
    return false;
}

Invocation parseCommandLine(const std::vector<std::string>& args)
{
    Invocation inv;
    inv.command = findCommand(args[0]);
    const CommandRow* c = inv.command;
    if (!c)
        throw UsageError{"unknown command '" + args[0] + "'", nullptr};

    bool modeSeen = false;
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string_view option) {
            if (i + 1 >= args.size())
                throw UsageError{std::string(option) + " needs a value", c};
            return args[++i];
        };
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            inv.positionals.push_back(a);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "--help" || a == "-h") {
            inv.help = true;
        } else if (c->takesMode && (a == "--mode" || a.starts_with("--mode="))) {
            if (modeSeen)
                throw UsageError{"--mode given twice", c};
            modeSeen = true;
            inv.mode = parseMode(a == "--mode" ? value("--mode") : a.substr(7), c);
            inv.modeGiven = true;
        } else if (c->takesOutput && a == "-o") {
            if (inv.output)
                throw UsageError{"-o given twice", c};
            inv.output = value("-o");
        } else if (takesOption(*c, "--source") && a == "--source") {
            if (inv.source)
                throw UsageError{"--source given twice", c};
            inv.source = value("--source");
        } else if (takesOption(*c, "--language") && a == "--language") {
            const std::string letter = value("--language");
            if (letter.size() != 1)
                throw UsageError{"--language takes one ASCII letter, like R or E", c};
            inv.language = letter[0];
        } else if (takesOption(*c, "--use-fuzzy") && a == "--use-fuzzy") {
            inv.useFuzzy = true;
        } else {
            throw UsageError{"unknown option '" + a + "'", c};
        }
    }
    if (inv.help)
        return inv;
    const auto& pos = inv.positionals;
    if (pos.size() < c->minPositionals)
        throw UsageError{pos.empty() && c->minPositionals == 2 ? "missing direction and file"
                                                               : "missing file",
                         c};
    if (pos.size() > c->maxPositionals)
        throw UsageError{"unexpected argument '" + pos.back() + "'", c};
    return inv;
}

// Standard error goes through the same writer as the output, so a Windows console shows
// Cyrillic file names in messages too. A failure to report a failure has nowhere to go.
void printError(const std::string& text)
{
    try {
        WriteStandard(2, text);
    } catch (const FileError&) {
    }
}

int failure(const std::string& message)
{
    printError("zarnik-cli: " + message + "\n");
    return kExitFailure;
}

}  // namespace

int main(int argc, char** argv)
{
    // Under a file-size limit a write should fail with EFBIG, which the safe-write path
    // reports and cleans up after, rather than kill the process mid-file.
    IgnoreFileSizeSignal();

    std::vector<std::string> args = Arguments(argc, argv);
    if (!args.empty())
        args.erase(args.begin());
    Output out;
    std::string input;  // for messages that the core does not word itself
    try {
        if (args.empty())
            throw UsageError{"no command given", nullptr};
        if (args[0] == "--version") {
            out.write("zarnik-cli " ZARNIK_VERSION "\n"
                      "Copyright (C) " ZARNIK_COPYRIGHT "\n"
                      "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
                      "This is free software: you are free to change and redistribute it.\n"
                      "There is NO WARRANTY, to the extent permitted by law.\n");
        } else if (args[0] == "--help" || args[0] == "-h") {
            out.write(generalHelp());
        } else if (args[0] == "help") {
            if (args.size() > 2)
                throw UsageError{"help takes at most one command", nullptr};
            const CommandRow* c = args.size() == 2 ? findCommand(args[1]) : nullptr;
            if (args.size() == 2 && !c)
                throw UsageError{"unknown command '" + args[1] + "'", nullptr};
            out.write(c ? commandHelp(*c) : generalHelp());
        } else {
            const Invocation inv = parseCommandLine(args);
            if (inv.help) {
                out.write(commandHelp(*inv.command));
            } else {
                input = inv.positionals[inv.command->minPositionals - 1];
                inv.command->run(inv, out);
            }
        }
        out.flush();
    } catch (const UsageError& e) {
        printError("zarnik-cli: " + e.message + "\n" +
                   (e.command ? usageLine(*e.command) : std::string(kGeneralUsage)));
        return kExitUsage;
    } catch (const FileError& e) {
        return failure(e.englishMessage());
#ifndef ZARNIK_NO_TRANSLATIONS
    } catch (const TranslationError& e) {
        std::string lines = e.englishMessage();
        for (size_t at = lines.find('\n'); at != std::string::npos; at = lines.find('\n', at + 1))
            lines.insert(at + 1, "zarnik-cli: ");
        return failure(lines + "\nzarnik-cli: nothing was written");
#endif
    } catch (const CommandError& e) {
        return failure(e.what());
    } catch (const std::bad_alloc&) {
        return failure("not enough memory for " + input);
    } catch (const std::exception& e) {
        return failure(e.what());
    }
    return 0;
}
