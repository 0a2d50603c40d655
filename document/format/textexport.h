// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "format/gxtdocument.h"

namespace zarnik {

// The plain-text form of a document: per entry, in key-table order, "key=text" and a line
// holding one space, CR LF line ends, Windows-1251. The key keeps only the digits and
// lower-case Latin letters of all 8 name bytes; the text is shown through the Buka table
// whatever language mode the editor is in.
std::string BuildTextExport(const GxtDocument& doc);
// The same, emitted piece by piece.
void WriteTextExport(const GxtDocument& doc, const std::function<void(std::string_view)>& emit);

// The export target for a chosen name: its extension replaced by ".txt".
std::string ExportTargetFor(const std::string& name);

// Writes BuildTextExport to ExportTargetFor(name) through a temporary file, so a failed
// export never leaves a half-written file where a good one was. A pipe or a device under
// that name is written into instead. Returns the target. Throws FileError.
std::string ExportTextFile(const GxtDocument& doc, const std::string& name,
                           FileSystem& fs = RealFileSystem());

}  // namespace zarnik
