// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingsvalues.h"

#include <string_view>
#include <variant>

namespace zarnik {

namespace {

using Member = std::variant<bool SettingsValues::*, int SettingsValues::*, std::string SettingsValues::*>;

struct Key {
    std::string_view section, name;
    Member member;  // its default is the member's initializer
    bool placement = false;  // the normal window's geometry, neither read nor written when maximized
    // Keys that came later: a file that never used them keeps the layout it had, so they are
    // written only once they hold something other than the default or are there already.
    bool late = false;
};

// In the order a save writes them, which decides the order of the sections in a new file.
const Key Keys[] = {
    {"Size", "Width", &SettingsValues::width, true},
    {"Size", "Height", &SettingsValues::height, true},
    {"Position", "Left", &SettingsValues::left, true},
    {"Position", "Top", &SettingsValues::top, true},
    {"Position", "Maximized", &SettingsValues::maximized},
    {"Size", "CaptionWidth", &SettingsValues::captionWidth},
    {"Edit", "Top", &SettingsValues::editTop},
    {"Edit", "Left", &SettingsValues::editLeft},
    {"Edit", "Width", &SettingsValues::editWidth},
    {"File", "LastFile", &SettingsValues::lastFile},
    {"File", "Lang", &SettingsValues::lang},
    {"Options", "UseGrig", &SettingsValues::useGrig},
    {"Options", "AutoSize", &SettingsValues::autoSize},
    {"Options", "ChangeDir", &SettingsValues::changeDir},
    {"Options", "RecCount", &SettingsValues::recCount},
    {"Find", "FindDown", &SettingsValues::findDown},
    {"Find", "MatchCase", &SettingsValues::matchCase},
    {"String", "LastString", &SettingsValues::lastString},
    {"Font", "Name", &SettingsValues::fontName},
    {"Font", "CharSet", &SettingsValues::fontCharSet},
    {"Font", "Color", &SettingsValues::fontColor},
    {"Font", "Size", &SettingsValues::fontSize},
    {"Font", "Style", &SettingsValues::fontStyle},
    {"Find", "InSource", &SettingsValues::findInSource, false, true},
    {"Size", "SourceWidth", &SettingsValues::sourceWidth, false, true},
    {"Source", "File", &SettingsValues::sourceFile, false, true},
    {"Source", "ForFile", &SettingsValues::sourceFor, false, true},
};

void ReadInto(const IniFile& ini, const Key& k, bool& v) { v = ini.readBool(k.section, k.name, v); }
void ReadInto(const IniFile& ini, const Key& k, int& v) { v = ini.readInt(k.section, k.name, v); }
void ReadInto(const IniFile& ini, const Key& k, std::string& v) { v = ini.readString(k.section, k.name, v); }
void WriteFrom(IniFile& ini, const Key& k, bool v) { ini.writeBool(k.section, k.name, v); }
void WriteFrom(IniFile& ini, const Key& k, int v) { ini.writeInt(k.section, k.name, v); }
void WriteFrom(IniFile& ini, const Key& k, const std::string& v) { ini.writeString(k.section, k.name, v); }

}  // namespace

SettingsValues ReadSettings(const IniFile& ini)
{
    SettingsValues v;
    v.maximized = ini.readBool("Position", "Maximized", v.maximized);
    for (const Key& k : Keys)
        if (!(k.placement && v.maximized))
            std::visit([&](auto member) { ReadInto(ini, k, v.*member); }, k.member);
    return v;
}

void WriteSettings(IniFile& ini, const SettingsValues& values, bool maximized)
{
    SettingsValues v = values;
    v.maximized = maximized;
    const SettingsValues defaults;
    for (const Key& k : Keys)
        if (!(k.placement && maximized))
            std::visit([&](auto member) {
                if (!k.late || v.*member != defaults.*member || ini.contains(k.section, k.name))
                    WriteFrom(ini, k, v.*member);
            }, k.member);
}

}  // namespace zarnik
