#include "settingsvalues.h"

namespace zarnik {

SettingsValues ReadSettings(const IniFile& ini)
{
    SettingsValues v;
    v.maximized = ini.readBool("Position", "Maximized", v.maximized);
    if (!v.maximized) {
        v.left = ini.readInt("Position", "Left", v.left);
        v.top = ini.readInt("Position", "Top", v.top);
        v.width = ini.readInt("Size", "Width", v.width);
        v.height = ini.readInt("Size", "Height", v.height);
    }
    v.captionWidth = ini.readInt("Size", "CaptionWidth", v.captionWidth);

    v.editTop = ini.readInt("Edit", "Top", v.editTop);
    v.editLeft = ini.readInt("Edit", "Left", v.editLeft);
    v.editWidth = ini.readInt("Edit", "Width", v.editWidth);

    v.lastFile = ini.readString("File", "LastFile", v.lastFile);
    v.lang = ini.readInt("File", "Lang", v.lang);

    v.useGrig = ini.readBool("Options", "UseGrig", v.useGrig);
    v.autoSize = ini.readBool("Options", "AutoSize", v.autoSize);
    v.changeDir = ini.readBool("Options", "ChangeDir", v.changeDir);
    v.recCount = ini.readInt("Options", "RecCount", v.recCount);

    v.lastString = ini.readInt("String", "LastString", v.lastString);

    v.fontName = ini.readString("Font", "Name", v.fontName);
    v.fontCharSet = ini.readInt("Font", "CharSet", v.fontCharSet);
    v.fontColor = ini.readInt("Font", "Color", v.fontColor);
    v.fontSize = ini.readInt("Font", "Size", v.fontSize);
    v.fontStyle = ini.readInt("Font", "Style", v.fontStyle);

    v.findDown = ini.readBool("Find", "FindDown", v.findDown);
    v.matchCase = ini.readBool("Find", "MatchCase", v.matchCase);

    v.findInSource = ini.readBool("Find", "InSource", v.findInSource);
    v.sourceWidth = ini.readInt("Size", "SourceWidth", v.sourceWidth);
    v.sourceFile = ini.readString("Source", "File", v.sourceFile);
    v.sourceFor = ini.readString("Source", "ForFile", v.sourceFor);
    return v;
}

void WriteSettings(IniFile& ini, const SettingsValues& v, bool maximized)
{
    if (maximized) {
        ini.writeBool("Position", "Maximized", true);
    } else {
        ini.writeInt("Size", "Width", v.width);
        ini.writeInt("Size", "Height", v.height);
        ini.writeInt("Position", "Left", v.left);
        ini.writeInt("Position", "Top", v.top);
        ini.writeBool("Position", "Maximized", false);
    }
    ini.writeInt("Size", "CaptionWidth", v.captionWidth);

    ini.writeInt("Edit", "Top", v.editTop);
    ini.writeInt("Edit", "Left", v.editLeft);
    ini.writeInt("Edit", "Width", v.editWidth);

    ini.writeString("File", "LastFile", v.lastFile);
    ini.writeInt("File", "Lang", v.lang);

    ini.writeBool("Options", "UseGrig", v.useGrig);
    ini.writeBool("Options", "AutoSize", v.autoSize);
    ini.writeBool("Options", "ChangeDir", v.changeDir);
    ini.writeInt("Options", "RecCount", v.recCount);

    ini.writeBool("Find", "FindDown", v.findDown);
    ini.writeBool("Find", "MatchCase", v.matchCase);

    ini.writeInt("String", "LastString", v.lastString);

    ini.writeString("Font", "Name", v.fontName);
    ini.writeInt("Font", "CharSet", v.fontCharSet);
    ini.writeInt("Font", "Color", v.fontColor);
    ini.writeInt("Font", "Size", v.fontSize);
    ini.writeInt("Font", "Style", v.fontStyle);

    // The source file's keys came later: a file that never had a source keeps the layout
    // above, so they are written only once they hold something or are there already.
    const SettingsValues defaults;
    if (v.findInSource != defaults.findInSource || ini.contains("Find", "InSource"))
        ini.writeBool("Find", "InSource", v.findInSource);
    if (v.sourceWidth != defaults.sourceWidth || ini.contains("Size", "SourceWidth"))
        ini.writeInt("Size", "SourceWidth", v.sourceWidth);
    if (!v.sourceFile.empty() || ini.contains("Source", "File")) {
        ini.writeString("Source", "File", v.sourceFile);
        ini.writeString("Source", "ForFile", v.sourceFor);
    }
}

}  // namespace zarnik
