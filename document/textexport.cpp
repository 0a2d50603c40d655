#include "textexport.h"

#include "encodings.h"

namespace zarnik {

std::string BuildTextExport(const GxtDocument& doc)
{
    const uint8_t* buka = BukaToDisplayTable();
    size_t total = 0;
    for (const Text& t : doc.CurrentTexts)
        total += t.size() + 16;
    std::string out;
    out.reserve(total);
    for (size_t i = 0; i < doc.keys.size(); ++i) {
        for (char c : doc.keys[i].name)
            if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))
                out.push_back(c);
        out.push_back('=');
        for (char c : doc.CurrentTexts[i])
            out.push_back(static_cast<char>(buka[static_cast<uint8_t>(c)]));
        out.append("\r\n \r\n");
    }
    return out;
}

std::string ExportTargetFor(const std::string& name)
{
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return name + ".txt";
    return name.substr(0, dot) + ".txt";
}

std::string ExportTextFile(const GxtDocument& doc, const std::string& name, FileSystem& fs)
{
    const std::string target = ExportTargetFor(name);
    ReplaceFileSafely(target, BuildTextExport(doc), BackupPolicy::None, fs);
    return target;
}

}  // namespace zarnik
