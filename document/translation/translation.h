// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "edit/textchange.h"
#include "format/gxtdocument.h"
#include "text/encodings.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zarnik {

// Texts out to a translator's file and back. Two formats:
//  PO:  one message per entry, msgctxt = the key, msgstr = the text, msgid = the source
//       text (or the file's own text in a template). Read and written by libgettextpo.
//  TSV: a first line naming the format and the mode, then "key<TAB>text" per entry.
// Texts are written in display form (UTF-8) for a language mode. Whatever that mode
// would not store back as the same byte, and whatever the format cannot hold, is written
// as "⟦HH⟧" (two hex digits between U+27E6 and U+27E7): those brackets are outside
// Windows-1251, so no text can contain them and nothing else needs escaping for them.
enum class TranslationFormat { Po, Pot, Tsv };

// By the name's extension (.po, .pot, .tsv, any case); nothing for other names.
std::optional<TranslationFormat> TranslationFormatFor(const std::string& path);

// A key name as a translation file spells it: the 8 name bytes up to the last non-zero
// one, and for the second and later entries of a file with the same 8 bytes, "⟦#N⟧".
std::string KeyNotation(const std::array<char, 8>& name, unsigned occurrence, TranslationFormat format);
// A stored text as written for `mode`.
std::string TextNotation(std::string_view stored, int mode, TranslationFormat format);

// A text as a translator's file gives it: Windows-1251 bytes, each either typed (stored as
// the editor stores typed text) or exact (an escape: stored as it stands).
struct WrittenText {
    std::string bytes;
    std::vector<bool> exact;  // per byte; empty when no byte is (most texts have no escape)
    bool isExact(size_t i) const { return !exact.empty() && exact[i]; }
};

struct TranslationEntry {
    std::array<char, 8> key{};
    unsigned occurrence = 1;  // the how-many-th entry of the file with this key
    WrittenText text;
    bool untranslated = false;  // PO: empty msgstr
    bool fuzzy = false;
    size_t line = 0;
};

// One thing wrong with a translation file, at a line (0: the file as a whole).
struct TranslationProblem {
    size_t line = 0;
    std::string english;
    std::string russian;
};

struct Translation {
    std::string name;           // the file it came from, for messages
    std::optional<int> mode;    // the mode it was written for, when it says so
    std::vector<TranslationEntry> entries;
    // What is wrong with lines that could not be read; ApplyTranslation reports them
    // together with the keys that do not match.
    std::vector<TranslationProblem> problems;
};

// A translation file that cannot be used; lists every problem found. Nothing has been
// written or changed when it is thrown.
class TranslationError : public std::runtime_error {
public:
    TranslationError(std::string file, std::vector<TranslationProblem> problems);
    const std::string& file() const { return file_; }
    const std::vector<TranslationProblem>& problems() const { return problems_; }
    // One line per problem, "file:line: what", the first 20 and then how many more, without
    // a final line break.
    std::string englishMessage() const;
    std::string russianMessage() const;

private:
    std::string file_;
    std::vector<TranslationProblem> problems_;
};

// Decodes one field of a translation file into a written text. `backslashes`: TSV's
// \t \n \r \\ \0 are escapes too. Problems are added with `line`.
WrittenText DecodeWritten(std::string_view utf8, bool backslashes, size_t line,
                          std::vector<TranslationProblem>& problems);
// Decodes a key notation; false (and a problem added) when it is not one.
bool DecodeKey(std::string_view utf8, bool backslashes, size_t line, std::array<char, 8>& key,
               unsigned& occurrence, std::vector<TranslationProblem>& problems);

// --- writing ---

// Keys found in only one of the file and its source.
struct SourceComparison {
    std::vector<std::string> onlyInFile;    // key notations, in file order
    std::vector<std::string> onlyInSource;
};

// Writes the PO (or POT) text piece by piece through `emit`. With `source`, msgid is the
// source's text (in `sourceMode`) for the same key, matched as MatchKeys does (the file's
// own text for keys the source lacks); a POT, or a PO without source, has empty msgstr.
// `fileName` goes into the header. Strings are laid out as gettext's own writer lays them
// out, so that gettext's tools give the file back unchanged.
void WritePo(const GxtDocument& doc, int mode, const GxtDocument* source, int sourceMode, bool templateOnly,
             const std::string& fileName, const std::function<void(std::string_view)>& emit,
             SourceComparison* comparison = nullptr);
// The same, whole.
std::string BuildPo(const GxtDocument& doc, int mode, const GxtDocument* source, int sourceMode,
                    bool templateOnly, const std::string& fileName,
                    SourceComparison* comparison = nullptr);
// The TSV text, piece by piece and whole.
void WriteTsv(const GxtDocument& doc, int mode, const std::function<void(std::string_view)>& emit);
std::string BuildTsv(const GxtDocument& doc, int mode);

// Writes the translation file for `format` through a temporary file, straight from the
// document: nothing is under the name until the whole file is written. Throws FileError.
SourceComparison ExportTranslation(const GxtDocument& doc, int mode, const GxtDocument* source,
                                   int sourceMode, const std::string& path, TranslationFormat format);

// --- reading ---

// A translation file's bytes as UTF-8 text: UTF-8 with or without a byte-order mark, or
// UTF-16 with one. Anything else (Windows-1251, a binary file) throws TranslationError
// with one message for the whole file. The text is `bytes` itself when they are UTF-8
// already, else converted into `storage`.
std::string_view TranslationFileText(std::string_view bytes, const std::string& name, std::string& storage);

// Reads a PO or POT file with libgettextpo. Throws FileError when it cannot be read,
// TranslationError when gettext cannot parse it; problems of single messages are left in
// the result's `problems`.
Translation ReadPoFile(const std::string& path);
// The same from bytes in memory (through a scratch file); `name` is used in messages.
Translation ParsePo(std::string_view bytes, const std::string& name);
// Parses TSV bytes; `name` is used in messages. Problems of single lines are left in the
// result's `problems`; a file that is not TSV at all throws TranslationError.
Translation ParseTsv(std::string_view bytes, const std::string& name);
// Either, by the name's extension.
Translation ReadTranslationFile(const std::string& path);

// --- applying ---

// The mode texts are read in: the file's own when it names one. An explicit mode that
// contradicts it is a problem (TranslationError); otherwise `fallback`.
int TranslationMode(const Translation& tr, std::optional<int> explicitMode, int fallback);

struct ApplyResult {
    std::vector<TextChange> changes; // the texts that are now different, in entry order
    size_t replaced = 0;          // entries given a text from the file
    size_t untranslated = 0;      // PO entries without translation: kept
    size_t fuzzyKept = 0;         // fuzzy entries kept (without useFuzzy)
    size_t unknownUntranslated = 0; // untranslated entries with keys the file lacks: passed over
    // Texts that read differently once stored ("Ъ", "ё", case): the key as written and the
    // characters, "ё→е" for each that changed, each once.
    struct Difference {
        std::string key;
        std::string characters;
    };
    std::vector<Difference> storedDifferently;
};

// Matches entries by key (all 8 bytes and the occurrence) against the texts of `doc`.
// Throws TranslationError naming every unknown key of a translated entry, every repeated
// key and every problem the reader left; then nothing is to be changed.
ApplyResult ApplyTranslation(const GxtDocument& doc, const Translation& tr, int mode, bool useFuzzy);

}  // namespace zarnik
