// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"
#include "platform.h"

#include "searchpanel.h"

#include "qcp1251.h"
#include "entrylistview.h"
#include "inifile.h"
#include "optionsdialog.h"
#include "searchhistory.h"
#include "settingsvalues.h"
#include "storedpath.h"
#include "windowplacement.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

#include <algorithm>

namespace {

const QString kSettingsFile = QStringLiteral("Settings.ini");
const QString kHistoryFile = QStringLiteral("LastSearched.ini");

// A smaller stored size opens the window at its minimum size.
constexpr int kMinOuterWidth = 485;
constexpr int kMinOuterHeight = 350;
// Where a window that starts maximized goes when it is restored.
constexpr QRect kDesignedBounds(379, 348, 582, 478);

std::string localPath(const QString& path)
{
    return platform::CorePath(path);
}

// Windows keeps colours as 0x00BBGGRR. A non-zero high byte marks a system colour (the
// window text colour, say) or a palette index, neither of which has an RGB value here:
// those show in the system's text colour.
QColor colorFromWindows(int value)
{
    const auto v = static_cast<uint32_t>(value);
    if ((v >> 24) != 0)
        return QGuiApplication::palette().color(QPalette::Text);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

int colorToWindows(const QColor& color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

FontChoice fontFromSettings(const zarnik::SettingsValues& v)
{
    FontChoice choice;
    choice.font = QFont(Cp1251ToQString(v.fontName));
    choice.font.setPointSize(v.fontSize > 0 ? v.fontSize : zarnik::SettingsValues().fontSize);
    choice.font.setBold(v.fontStyle & zarnik::FontBold);
    choice.font.setItalic(v.fontStyle & zarnik::FontItalic);
    choice.font.setUnderline(v.fontStyle & zarnik::FontUnderline);
    choice.font.setStrikeOut(v.fontStyle & zarnik::FontStrikeOut);
    choice.color = colorFromWindows(v.fontColor);
    choice.charSet = v.fontCharSet;
    return choice;
}

void fontToSettings(const FontChoice& choice, int storedColor, zarnik::SettingsValues& v)
{
    const QFont& f = choice.font;
    v.fontName = QStringToCp1251(f.family());
    v.fontCharSet = choice.charSet;
    v.fontColor = choice.color == colorFromWindows(storedColor) ? storedColor
                                                                  : colorToWindows(choice.color);
    // A font given in pixels has no point size of its own; take the one it resolves to.
    v.fontSize = f.pointSize() > 0 ? f.pointSize() : QFontInfo(f).pointSize();
    v.fontStyle = (f.bold() ? zarnik::FontBold : 0) | (f.italic() ? zarnik::FontItalic : 0) |
                  (f.underline() ? zarnik::FontUnderline : 0) |
                  (f.strikeOut() ? zarnik::FontStrikeOut : 0);
}

// The settings keep the window's outer size, frame included, and so does the minimum
// size, but the frame is known only once the window manager has put one around the shown
// window. Until then the frame is taken as nothing; the first time the window is seen in
// its normal state with a frame, size and minimum are corrected once, so that a restart
// neither grows nor shrinks the window. A window that starts maximized gets its normal
// size when it is first restored.
class OuterSizeKeeper : public QObject {
public:
    OuterSizeKeeper(QWidget* window, const QSize& outer) : QObject(window), window_(window), outer_(outer)
    {
        window_->resize(outer_);
        window_->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            break;
        default:
            return false;
        }
        const QSize frame = window_->frameGeometry().size() - window_->size();
        if (watched != window_ || frame == QSize(0, 0) ||
            (window_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)))
            return false;
        window_->removeEventFilter(this);
        window_->setMinimumSize(QSize(kMinOuterWidth, kMinOuterHeight) - frame);
        window_->resize(outer_ - frame);
        deleteLater();
        return false;
    }

private:
    QWidget* window_;
    QSize outer_;
};

// The screen area a window whose top-left corner is stored at `corner` is placed on.
QRect availableAreaAt(const QPoint& corner)
{
    const QScreen* screen = QGuiApplication::screenAt(corner);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

// How many queries of LastSearched.ini are worth reading: as many as the options allow
// keeping, or more when the settings ask for more, but never millions.
size_t historyCapacity(int recCount)
{
    return static_cast<size_t>(std::clamp(recCount, OptionsDialog::MaxRecCount, 10000));
}

}  // namespace

void MainWindow::LoadSettings()
{
    zarnik::SettingsValues v;
    bool fromFile = false;
    const QString iniPath = programDirectory_.settingsFileToRead(kSettingsFile);
    if (QFileInfo::exists(iniPath)) {
        try {
            v = zarnik::ReadSettings(zarnik::IniFile::load(localPath(iniPath)));
            fromFile = true;
        } catch (const std::exception& e) {
            showFileError(e);  // then the defaults, as for a missing file
        }
    } else {
        prompts_.warning(this, QStringLiteral("Файл Settings.ini не найден"));
    }

    if (v.maximized) {
        move(kDesignedBounds.topLeft());
        new OuterSizeKeeper(this, kDesignedBounds.size());
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        const QRect placed = FitPlacement(v.left, v.top, v.width, v.height,
                                          availableAreaAt(QPoint(v.left, v.top)),
                                          QSize(kMinOuterWidth, kMinOuterHeight));
        move(placed.topLeft());
        new OuterSizeKeeper(this, placed.size());
    }
    settings_ = v;
    DocumentPath = StoredPathTo(v.lastFile);
    LanguageMode = v.lang;
    CurrentIndex = v.lastString;
    ListFont = fontFromSettings(v);

    // Without a settings file the search controls keep the state they were built with.
    QStringList history;
    bool findDown = true;
    bool matchCase = false;
    readSearchSettings(history, findDown, matchCase);
    if (fromFile) {
        findDown = v.findDown;
        matchCase = v.matchCase;
    }
    history.clear();
    try {
        const QString historyPath = programDirectory_.settingsFileToRead(kHistoryFile);
        for (const std::string& query :
             zarnik::LoadSearchHistory(localPath(historyPath), historyCapacity(settings_.recCount)))
            history.append(Cp1251ToQString(query));
    } catch (const std::exception& e) {
        showFileError(e);  // start without a history; the next save writes a new one
    }
    applySearchSettings(history, findDown, matchCase);
    searchPanel_->setSearchesSource(v.findInSource);
}

void MainWindow::SaveSettings()
{
    QStringList history;
    bool findDown = true;
    bool matchCase = false;
    readSearchSettings(history, findDown, matchCase);

    if (programDirectory_.prepareSettingsFolder()) {
        zarnik::SettingsValues v = settings_;
        const QRect outer = frameGeometry();
        v.left = outer.x();
        v.top = outer.y();
        v.width = outer.width();
        v.height = outer.height();
        v.captionWidth = list_->keyColumnWidth();
        v.lastFile = StoredPathFrom(DocumentPath);
        v.lang = LanguageMode;
        v.findDown = findDown;
        v.matchCase = matchCase;
        v.lastString = CurrentIndex;
        v.findInSource = searchPanel_->searchesSource();
        if (list_->sourceColumnWidth() > 0)
            v.sourceWidth = list_->sourceColumnWidth();
        // The colour as read, so that one we cannot show is written back as it was.
        fontToSettings(ListFont, settings_.fontColor, v);
        try {
            // Rewritten over what is there, so comments and keys of others survive.
            zarnik::IniFile ini = zarnik::IniFile::load(
                localPath(programDirectory_.settingsFileToRead(kSettingsFile)));
            zarnik::WriteSettings(ini, v, isMaximized());
            ini.save(localPath(programDirectory_.settingsFile(kSettingsFile)));
        } catch (const std::exception& e) {
            showFileError(e);
            return;  // nothing more is written once the settings could not be
        }
    } else {
        prompts_.warning(this, QStringLiteral("Каталог удалён!"));
    }

    std::vector<std::string> items;
    items.reserve(static_cast<size_t>(history.size()));
    for (const QString& query : history)
        items.push_back(QStringToCp1251(query));
    try {
        zarnik::SaveSearchHistory(localPath(programDirectory_.settingsFile(kHistoryFile)), items,
                                  settings_.recCount);
    } catch (const std::exception& e) {
        showFileError(e);
    }
}

void MainWindow::applySearchSettings(const QStringList& history, bool findDown, bool matchCase)
{
    searchPanel_->setHistory(history);
    searchPanel_->setSearchesDown(findDown);
    searchPanel_->setMatchesCase(matchCase);
}

void MainWindow::readSearchSettings(QStringList& history, bool& findDown, bool& matchCase) const
{
    history = searchPanel_->history();
    findDown = searchPanel_->searchesDown();
    matchCase = searchPanel_->matchesCase();
}

void MainWindow::OpenOptions()
{
    const OptionsDialog::Options options{settings_.autoSize, settings_.useGrig, settings_.changeDir,
                                         settings_.recCount};
    auto pickFont = [this](QWidget* parent, const FontChoice& current) {
        return prompts_.chooseFont(parent, current);
    };
    OptionsDialog dialog(options, ListFont, pickFont, this);
    if (prompts_.execDialog(&dialog) != QDialog::Accepted)
        return;

    ListFont = dialog.workingFont();
    const OptionsDialog::Options chosen = dialog.options();
    settings_.autoSize = chosen.autoSize;
    settings_.useGrig = chosen.useGrid;
    settings_.changeDir = chosen.changeDir;
    settings_.recCount = chosen.recCount;
    list_->setShowGrid(settings_.useGrig);
    list_->applyFont(ListFont.font, ListFont.color);
    SaveSettings();
}
