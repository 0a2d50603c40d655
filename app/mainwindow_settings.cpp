#include "mainwindow.h"
#include "platform.h"

#include "searchpanel.h"

#include "entrylistmodel.h"
#include "entrylistview.h"
#include "inifile.h"
#include "optionsdialog.h"
#include "searchhistory.h"
#include "settingsvalues.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>

namespace {

const QString kSettingsFile = QStringLiteral("Settings.ini");
const QString kHistoryFile = QStringLiteral("LastSearched.ini");

// A smaller stored size opens the window at its minimum size.
constexpr int kMinOuterWidth = 485;
constexpr int kMinOuterHeight = 350;
// Where a window that starts maximized goes when it is restored.
constexpr QRect kDesignedBounds(379, 348, 582, 478);
constexpr int kDefaultFontSize = 8;

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
    choice.font.setPointSize(v.fontSize > 0 ? v.fontSize : kDefaultFontSize);
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
        move(v.left, v.top);
        new OuterSizeKeeper(this, QSize(std::max(v.width, kMinOuterWidth),
                                        std::max(v.height, kMinOuterHeight)));
    }
    CaptionWidth = v.captionWidth;
    editTop_ = v.editTop;
    editLeft_ = v.editLeft;
    editWidth_ = v.editWidth;
    DocumentPath = Cp1251ToQString(v.lastFile);
    LanguageMode = v.lang;
    UseGrig = v.useGrig;
    AutoSize = v.autoSize;
    ChangeDir = v.changeDir;
    RecCount = v.recCount;
    CurrentIndex = v.lastString;
    ListFont = fontFromSettings(v);
    storedFontColor_ = v.fontColor;

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
        for (const std::string& query : zarnik::LoadSearchHistory(localPath(historyPath)))
            history.append(Cp1251ToQString(query));
    } catch (const std::exception& e) {
        showFileError(e);  // start without a history; the next save writes a new one
    }
    applySearchSettings(history, findDown, matchCase);
}

void MainWindow::SaveSettings()
{
    QStringList history;
    bool findDown = true;
    bool matchCase = false;
    readSearchSettings(history, findDown, matchCase);

    if (programDirectory_.prepareSettingsFolder()) {
        zarnik::SettingsValues v;
        const QRect outer = frameGeometry();
        v.left = outer.x();
        v.top = outer.y();
        v.width = outer.width();
        v.height = outer.height();
        v.captionWidth = list_->keyColumnWidth();
        v.editTop = editTop_;
        v.editLeft = editLeft_;
        v.editWidth = editWidth_;
        v.lastFile = QStringToCp1251(DocumentPath);
        v.lang = LanguageMode;
        v.useGrig = UseGrig;
        v.autoSize = AutoSize;
        v.changeDir = ChangeDir;
        v.recCount = RecCount;
        v.findDown = findDown;
        v.matchCase = matchCase;
        v.lastString = CurrentIndex;
        fontToSettings(ListFont, storedFontColor_, v);
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
                                  RecCount);
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
    const OptionsDialog::Options options{AutoSize, UseGrig, ChangeDir, RecCount};
    auto pickFont = [this](QWidget* parent, const OptionsDialog::Font& current)
        -> std::optional<OptionsDialog::Font> {
        const std::optional<FontChoice> chosen =
            prompts_.chooseFont(parent, FontChoice{current.font, current.color, current.charSet});
        if (!chosen)
            return std::nullopt;
        return OptionsDialog::Font{chosen->font, chosen->color, chosen->charSet};
    };
    OptionsDialog dialog(options, {ListFont.font, ListFont.color, ListFont.charSet}, pickFont,
                         this);
    if (prompts_.execDialog(&dialog) != QDialog::Accepted)
        return;

    const OptionsDialog::Font& font = dialog.workingFont();
    ListFont = FontChoice{font.font, font.color, font.charSet};
    const OptionsDialog::Options chosen = dialog.options();
    AutoSize = chosen.autoSize;
    UseGrig = chosen.useGrid;
    ChangeDir = chosen.changeDir;
    RecCount = chosen.recCount;
    list_->setShowGrid(UseGrig);
    list_->applyFont(ListFont.font, ListFont.color);
    SaveSettings();
}
