// SPDX-License-Identifier: GPL-3.0-or-later
// PO files through GNU gettext's own library, so that what translators' tools write is
// read the way gettext reads it.
#include "translation/translation.h"

#include "text/encodings.h"
#include "files/fileerror.h"
#include "files/safefile.h"

#include <gettext-po.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

#ifdef _WIN32
#include "files/winsystem.h"
#else
#include <unistd.h>
#endif

namespace zarnik {

namespace {

// libgettextpo reports through plain function pointers with no user data; it is not
// reentrant anyway, so one sink per thread is enough.
thread_local std::vector<TranslationProblem>* tSink = nullptr;

// gettext's own messages in Russian: our builds of libgettextpo carry no message catalog
// (the Windows one has no gettext at all), and the rest of the program speaks Russian.
std::string russianGettextMessage(const std::string& what)
{
    static const std::map<std::string, std::string> kFixed = {
        {"end-of-file within string", "файл кончается внутри строки в кавычках"},
        {"end-of-line within string", "строка в кавычках не закрыта до конца строки"},
        {"invalid control sequence", "недопустимая управляющая последовательность"},
        {"invalid multibyte sequence", "недопустимая последовательность байтов"},
        {"inconsistent use of #~", "#~ стоит не у всех строк сообщения"},
        {"missing 'msgstr' section", "нет раздела msgstr"},
        {"missing 'msgstr[]' section", "нет раздела msgstr[]"},
        {"missing 'msgid_plural' section", "нет раздела msgid_plural"},
        {"plural form has wrong index", "у формы множественного числа неверный номер"},
        {"first plural form has nonzero index", "номер первой формы множественного числа не ноль"},
        {"syntax error", "синтаксическая ошибка"},
        {"duplicate message definition", "сообщение определено второй раз"},
        {"this is the location of the first definition", "здесь его первое определение"},
        {"too many errors, aborting", "слишком много ошибок, чтение прервано"},
        {"context separator <EOT> within string", "разделитель контекста <EOT> внутри строки"},
        {"this file may not contain domain directives", "в этом файле не может быть директив domain"},
    };
    if (const auto it = kFixed.find(what); it != kFixed.end())
        return it->second;
    // The few with a name or a number in them.
    const struct {
        std::string_view before, after, russian;
    } kPatterns[] = {
        {"keyword \"", "\" unknown", "неизвестное ключевое слово \"%\""},
        {"found ", " fatal errors", "найдено неисправимых ошибок: %"},
        {"found ", " fatal error", "найдено неисправимых ошибок: %"},
        {"error while reading \"", "\"", "ошибка чтения \"%\""},
        {"error while opening \"", "\" for reading", "не открывается для чтения \"%\""},
    };
    for (const auto& p : kPatterns) {
        if (what.size() > p.before.size() + p.after.size() && what.starts_with(p.before) &&
            what.ends_with(p.after)) {
            const std::string name =
                what.substr(p.before.size(), what.size() - p.before.size() - p.after.size());
            std::string russian(p.russian);
            russian.replace(russian.find('%'), 1, name);
            return russian;
        }
    }
    return "ошибка в файле PO: " + what;
}

void collect(int severity, const char* filename, size_t lineno, const char* text)
{
    if (!tSink || severity == PO_SEVERITY_WARNING)
        return;
    std::string what = text ? text : "error";
    while (!what.empty() && what.back() == '\n')
        what.pop_back();
    const size_t line = filename && lineno != size_t(-1) ? lineno : 0;
    tSink->push_back({line, what, russianGettextMessage(what)});
}

void onError(int severity, po_message_t, const char* filename, size_t lineno, size_t, int,
             const char* text)
{
    collect(severity, filename, lineno, text);
}

void onError2(int severity, po_message_t, const char* filename1, size_t lineno1, size_t, int,
              const char* text1, po_message_t, const char*, size_t, size_t, int, const char*)
{
    collect(severity, filename1, lineno1, text1);
}

const po_xerror_handler kHandler{onError, onError2};

struct SinkScope {
    explicit SinkScope(std::vector<TranslationProblem>& sink) { tSink = &sink; }
    ~SinkScope() { tSink = nullptr; }
};

struct FileFree {
    void operator()(po_file_t f) const { po_file_free(f); }
};
using PoFile = std::unique_ptr<std::remove_pointer_t<po_file_t>, FileFree>;
struct IteratorFree {
    void operator()(po_message_iterator_t it) const { po_message_iterator_free(it); }
};
using PoIterator = std::unique_ptr<std::remove_pointer_t<po_message_iterator_t>, IteratorFree>;

// A file of our own in the temporary folder, removed when done with: libgettextpo reads
// and writes only named files, and opens them with the C library.
class ScratchFile {
public:
    ScratchFile()
    {
#ifdef _WIN32
        win::TempFile file = win::CreateTempFile();
        path_ = std::move(file.path);
        libPath_ = std::move(file.narrow);
#else
        std::error_code ec;
        std::string dir = std::filesystem::temp_directory_path(ec).string();
        if (ec || dir.empty())
            dir = "/tmp";
        path_ = dir + "/zarnik-po-XXXXXX";
        const int fd = ::mkstemp(path_.data());
        if (fd < 0)
            throw FileError(FileStep::CreateTemp, path_, errno);
        ::close(fd);
        libPath_ = path_;
#endif
    }
    ~ScratchFile() { std::remove(libPath_.c_str()); }
    // For the program's own file functions.
    const std::string& path() const { return path_; }
    // For libgettextpo and the C library.
    const std::string& libPath() const { return libPath_; }

private:
    std::string path_;
    std::string libPath_;
};

// libgettextpo cannot say on which line a message stands. Every message that is not
// obsolete has exactly one line starting with "msgid", in file order, so the n-th such
// line belongs to the n-th message.
std::vector<size_t> msgidLines(std::string_view bytes)
{
    std::vector<size_t> lines;
    size_t pos = 0, line = 0;
    while (pos <= bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos)
            end = bytes.size();
        ++line;
        std::string_view text = bytes.substr(pos, end - pos);
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        if (text.substr(0, 5) == "msgid" && text.size() > 5 && (text[5] == ' ' || text[5] == '"' || text[5] == '\t'))
            lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

std::string percentDecoded(std::string_view s);

// The key of a reference as gettext splits it ("file:line"), percent-decoded, "+" read as
// the space that translate-toolkit writes it for.
std::string referencedKey(po_filepos_t pos)
{
    std::string s = po_filepos_file(pos);
    if (po_filepos_start_line(pos) != size_t(-1))
        s += ":" + std::to_string(po_filepos_start_line(pos));
    for (char& c : s)
        if (c == '+')
            c = ' ';
    return percentDecoded(s);
}

std::string percentDecoded(std::string_view s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const auto hex = [](char c) {
            return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        };
        if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
            out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string lowered(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string headerField(const char* header, const char* field)
{
    if (!header)
        return {};
    char* value = po_header_field(header, field);
    std::string s = value ? value : "";
    std::free(value);
    return s;
}

Translation parsePo(const std::string& libPath, std::string_view bytes, const std::string& name)
{
    Translation tr;
    tr.name = name;
    std::vector<TranslationProblem> problems;
    PoFile file;
    {
        SinkScope scope(problems);
        file.reset(po_file_read(libPath.c_str(), &kHandler));
    }
    if (!file && problems.empty())
        problems.push_back({0, "cannot be read as a PO file", "не читается как файл PO"});
    if (!problems.empty())
        throw TranslationError(name, std::move(problems));

    // The header comes back as a copy of our own to free.
    const std::unique_ptr<char, decltype(&std::free)> ownedHeader(
        const_cast<char*>(po_file_domain_header(file.get(), nullptr)), &std::free);
    const char* header = ownedHeader.get();
    const std::string contentType = lowered(headerField(header, "Content-Type"));
    const size_t charset = contentType.find("charset=");
    if (charset != std::string::npos) {
        const std::string cs = contentType.substr(charset + 8);
        if (cs != "utf-8" && cs != "charset" && cs != "ascii" && cs != "us-ascii")
            problems.push_back({0, "the file is in " + cs + "; only UTF-8 is read",
                                "файл в кодировке " + cs + ", читается только UTF-8"});
    }
    const std::string modeName = headerField(header, "X-Zarnik-Mode");
    if (!modeName.empty()) {
        tr.mode = ModeByName(modeName);
        if (!tr.mode)
            problems.push_back({0, "unknown mode \"" + modeName + "\" in the header",
                                "неизвестный режим «" + modeName + "» в заголовке"});
    }

    const std::vector<size_t> lines = msgidLines(bytes);
    size_t seen = 0;
    for (const char* const* domain = po_file_domains(file.get()); domain && *domain; ++domain) {
        PoIterator it(po_message_iterator(file.get(), *domain));
        while (po_message_t m = po_next_message(it.get())) {
            if (po_message_is_obsolete(m))
                continue;
            const size_t line = seen < lines.size() ? lines[seen] : 0;
            ++seen;
            const char* context = po_message_msgctxt(m);
            const std::string_view msgid = po_message_msgid(m);
            if (!context && msgid.empty() && !po_message_filepos(m, 0))
                continue;  // the header
            if (po_message_msgid_plural(m)) {
                problems.push_back({line, "plural forms are not used here", "формы множественного числа здесь не используются"});
                continue;
            }
            // A tool that drops msgctxt keeps the key in the message's reference.
            std::string key;
            if (context) {
                key = context;
            } else if (po_filepos_t pos = po_message_filepos(m, 0)) {
                key = referencedKey(pos);
            } else {
                problems.push_back({line, "message without a key (msgctxt or a \"#:\" reference)",
                                    "сообщение без ключа (msgctxt или ссылки «#:»)"});
                continue;
            }
            TranslationEntry e;
            e.line = line;
            if (!DecodeKey(key, false, line, e.key, e.occurrence, problems))
                continue;
            const std::string_view msgstr = po_message_msgstr(m);
            e.untranslated = msgstr.empty();
            e.fuzzy = po_message_is_fuzzy(m) != 0;
            const size_t before = problems.size();
            e.text = DecodeWritten(msgstr, false, line, problems);
            if (problems.size() == before)
                tr.entries.push_back(std::move(e));
        }
    }
    tr.problems = std::move(problems);
    return tr;
}

}  // namespace

Translation ReadPoFile(const std::string& path)
{
    // Through a copy: the C library could not open every name the user's file may have
    // on Windows, and the lines are counted in the very bytes the library reads.
    return ParsePo(ReadWholeFile(path), path);
}

Translation ParsePo(std::string_view raw, const std::string& name)
{
    std::string converted;
    const std::string_view bytes = TranslationFileText(raw, name, converted);
    ScratchFile scratch;
    // A scratch copy needs no flush to the disk, unlike a file the user keeps.
    std::FILE* f = std::fopen(scratch.libPath().c_str(), "wb");
    const bool written = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const int err = errno;
    if (f && std::fclose(f) != 0 && written)
        throw FileError(FileStep::Write, scratch.path(), errno);
    if (!written)
        throw FileError(FileStep::Write, scratch.path(), err);
    return parsePo(scratch.libPath(), bytes, name);
}

}  // namespace zarnik
