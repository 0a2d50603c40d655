// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "inifile.h"

#include <string>

namespace zarnik {

// Bits of SettingsValues::fontStyle.
enum FontStyleBits : int {
    FontBold = 1,
    FontItalic = 2,
    FontUnderline = 4,
    FontStrikeOut = 8,
};

// Every setting of Settings.ini with its default. Values are kept as read, even ones the
// window cannot use (an unknown language, a negative string number): deciding what they
// mean is the window's business, and keeping them means a save does not change them.
struct SettingsValues {
    // [Position] / [Size]. When the window was maximized, its stored geometry is not read
    // and these keep their defaults.
    bool maximized = false;
    int left = 313;
    int top = 213;
    int width = 713;
    int height = 666;
    int captionWidth = 80;  // [Size] CaptionWidth

    // [Edit]: the edit dialog.
    int editTop = 480;
    int editLeft = 360;
    int editWidth = 500;

    // [File]
    std::string lastFile;  // Windows-1251
    int lang = 3;

    // [Options]
    bool useGrig = true;
    bool autoSize = true;
    bool changeDir = true;
    int recCount = 20;  // how many searches the history keeps

    // [String]
    int lastString = 1;

    // [Font]
    std::string fontName = "MS Sans Serif";  // Windows-1251
    int fontCharSet = 1;
    int fontColor = 0;  // a Windows colour, 0x00BBGGRR
    int fontSize = 8;
    int fontStyle = 0;  // FontStyleBits

    // [Find]
    bool findDown = true;
    bool matchCase = false;
    bool findInSource = false;  // [Find] InSource: search the source column too

    // The source file shown beside a document ([Source] File), the document it was opened
    // with ([Source] ForFile), both Windows-1251 like LastFile; and its column's width
    // ([Size] SourceWidth).
    std::string sourceFile;
    std::string sourceFor;
    int sourceWidth = 400;

    bool operator==(const SettingsValues&) const = default;
};

// Missing or unreadable values give the defaults above.
SettingsValues ReadSettings(const IniFile& ini);

// Writes every setting in a fixed order, which decides the order of the sections in a new
// file. A maximized window stores only Position/Maximized=1, so the size it had before
// being maximized stays in the file; `values.maximized` is not consulted.
void WriteSettings(IniFile& ini, const SettingsValues& values, bool maximized);

}  // namespace zarnik
