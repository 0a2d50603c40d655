// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/textexport.h"

#include "text/encodings.h"

namespace zarnik {

void WriteTextExport(const GxtDocument& doc, const std::function<void(std::string_view)>& emit)
{
    const uint8_t* buka = BukaToDisplayTable();
    constexpr size_t kChunk = 1 << 18;
    std::string out;
    out.reserve(kChunk + 1024);
    for (size_t i = 0; i < doc.keys.size(); ++i) {
        for (char c : doc.keys[i].name)
            if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))
                out.push_back(c);
        out.push_back('=');
        const std::string_view text = doc.text(i);
        const size_t at = out.size();
        out.resize(at + text.size());
        for (size_t k = 0; k < text.size(); ++k)
            out[at + k] = static_cast<char>(buka[static_cast<uint8_t>(text[k])]);
        out.append("\r\n \r\n");
        if (out.size() >= kChunk) {
            emit(out);
            out.clear();
        }
    }
    emit(out);
}

std::string BuildTextExport(const GxtDocument& doc)
{
    std::string all;
    WriteTextExport(doc, [&all](std::string_view piece) { all.append(piece); });
    return all;
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
    ReplaceFileSafely(
        target, [&doc](const auto& emit) { WriteTextExport(doc, emit); }, BackupPolicy::None, fs,
        SpecialTarget::WriteInto);
    return target;
}

}  // namespace zarnik
