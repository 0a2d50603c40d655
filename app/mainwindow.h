// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commands.h"
#include "edit/editsession.h"
#include "edit/sourcetexts.h"
#include "programdirectory.h"
#include "prompts.h"
#include "settingsvalues.h"

#include <QMainWindow>

#include <array>
#include <future>
#include <optional>
#include <vector>

class EntryListModel;
class EntryListView;
class QActionGroup;
class QLabel;
class QMenu;
class QTimer;
class QVBoxLayout;
class SearchPanel;
class WindowKeys;

// The whole application from the user's side: the entry list, the status bar, the menus,
// and every command. It shows the editing session's document and turns each command into
// one call on the session; what the session announces puts the rows, panel 1, the caption
// and the menus right.
class MainWindow : public QMainWindow, private zarnik::EditSession::Listener {
    Q_OBJECT
public:
    // `arguments` are the command-line arguments after the program name.
    MainWindow(Prompts& prompts, const ProgramDirectory& programDirectory,
               const QStringList& arguments, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Read access for the tests and the benchmarks.
    const zarnik::GxtDocument& document() const { return session_.document(); }
    zarnik::EditSession& session() { return session_; }
    const zarnik::EditSession& session() const { return session_; }
    int currentIndex() const { return CurrentIndex; }
    bool isModified() const { return session_.isModified(); }
    bool isLoaded() const { return session_.isLoaded(); }
    int languageMode() const { return LanguageMode; }
    const QString& documentPath() const { return DocumentPath; }
    QString statusText(int panel) const;
    EntryListView* list() const { return list_; }
    EntryListModel* listModel() const { return model_; }
    QMenu* languageMenu() const { return languageMenu_; }
    // The menu bar item of a command, and its twin in the list's popup menu (null if none).
    QAction* action(Command command) const;
    QAction* popupAction(Command command) const;

    // Loads a file as the open command does after its dialog; false when it failed.
    bool openDocument(const QString& path);

    // Commands of the file menu.
    void Open();
    void Save();
    void SaveAs();
    // A translator's PO, POT or TSV file out of the document and back in (mainwindow_translation.cpp).
    void ExportTranslation();
    void ImportTranslation();
    // The source file shown beside the document (mainwindow_source.cpp).
    void OpenSource();
    void CloseSource();
    // Loads a source file as "Открыть исходный файл.." does after its dialog; false when
    // it failed (the error was shown).
    // `readAhead`, when it holds anything, is that file already being read.
    bool openSource(const QString& path, std::future<zarnik::GxtDocument>* readAhead = nullptr);
    const zarnik::SourceTexts& source() const { return source_; }
    const QString& sourcePath() const { return SourcePath; }

    void RefillList(bool takeFocus);
    void RevealCurrent(bool nudge);
    void SelectMode(int mode);
    void SetStatus(int panel, const QString& text);

    // Stored text to what the user sees and back, for the mode in force.
    zarnik::Text ToDisplay(zarnik::Text text) const;
    zarnik::Text ToStorage(zarnik::Text text) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    static const std::vector<CommandRow>& commandTable();
    static Command modeCommand(int mode);
    // The menu of that object name, made (in its parent, after what is there) on first use.
    QMenu* menuNamed(const char* name);
    void createMenus();
    void createStatusBar();
    void startUp(const QStringList& arguments);
    void loadAtStartUp(const QString& path);
    bool loadInto(const QString& path);
    void showFileError(const std::exception& error);

    // What the session announces.
    void entryChanged(size_t index) override;
    void entryTyped(size_t index, std::string_view typed) override;
    void allEntriesChanged() override;
    void modifiedChanged(bool modified) override;
    void historyChanged() override;

    // The caption: the file's path, "*" while there are unsaved changes, blank during the
    // search blink; "Form1" before any file is loaded.
    QString caption() const;
    void updateCaption();
    void setCaptionPath(const QString& path);

    void UpdateMenuState();
    void UpdatePositionPanel();
    void ListView1SelectItem();
    int displayMode() const;
    void setLanguageCaption(int mode);
    void EscapePressed();

    Prompts& prompts_;
    ProgramDirectory programDirectory_;

    zarnik::EditSession session_;
    // Made before the window listens to the session, so it has weighed a change before the
    // window shows it.
    zarnik::SourceTexts source_{session_};
    QString SourcePath;
    QString DocumentPath;
    QString captionPath_;
    bool startingUp_ = true;
    int CurrentIndex = zarnik::SettingsValues().lastString;
    int LanguageMode = zarnik::SettingsValues().lang;
    // Every setting as read from Settings.ini (or its default); the ones the window keeps
    // live elsewhere (the path, the mode, the entry, the font, the search controls) are
    // taken from their own state when the settings are written.
    zarnik::SettingsValues settings_;
    FontChoice ListFont;

    // --- entry editing
    bool hasCurrentEntry() const;
    // Stores what the user typed or pasted into the current entry.
    void storeTyped(const QString& text, const QString& status);
    void Edit();
    void Copy();
    void Paste();
    void Clear();
    void Restore();
    void RestoreAll();
    void RecodeCurrent(zarnik::RecodeDirection direction);
    void RecodeAll(zarnik::RecodeDirection direction);
    void Undo();
    void Redo();
    void showUndoneEntry(size_t index);

    // --- search panel
public:
    SearchPanel* searchPanel() const { return searchPanel_; }
    void ShowSearchPanel();
    void HideSearchPanel();
    void FindNext();

private:
    void createSearchPanel();
    bool searchPanelShown() const;
    bool enterRunsFindNext(Qt::KeyboardModifiers modifiers) const;
    void blinkCaption();
    void endCaptionBlink();

    SearchPanel* searchPanel_ = nullptr;
    WindowKeys* windowKeys_ = nullptr;
    QTimer* blinkTimer_ = nullptr;
    bool blinking_ = false;
    bool captionBlank_ = false;

    // --- settings
public:
    // Reads Settings.ini and LastSearched.ini into the window; once, at start-up.
    void LoadSettings();
    // Writes both files from the present state; at the end of the run and after the
    // options are confirmed. Failures are reported, never thrown.
    void SaveSettings();
    // "Настройки..": the options dialog.
    void OpenOptions();
    // The search panel's share of the settings: the recent queries, newest first, the
    // direction (true: down) and match-case.
    void applySearchSettings(const QStringList& history, bool findDown, bool matchCase);
    void readSearchSettings(QStringList& history, bool& findDown, bool& matchCase) const;

private:

    // --- the source file
    // The source remembered for `documentPath`, or nothing.
    QString rememberedSourceFor(const QString& documentPath) const;
    // Starts reading the source that will be shown with `documentPath` while the document
    // itself loads; nothing to wait for when there is none to read.
    std::future<zarnik::GxtDocument> readSourceAhead(const QString& documentPath) const;
    // A document was loaded: its remembered source is shown, another document's is not.
    void sourceFollowsDocument(std::future<zarnik::GxtDocument> readAhead = {});
    void showSourceColumn();
    void UpdateSourcePanel();
    void GoToUntranslated(bool down);
    QLabel* sourcePanel_ = nullptr;

    // --- help and info
    void ShowReadme();
    void ShowAbout();
    void ShowInfo();

    EntryListModel* model_ = nullptr;
    EntryListView* list_ = nullptr;
    QVBoxLayout* centralLayout_ = nullptr;
    QLabel* statusPanels_[2] = {nullptr, nullptr};
    QTimer* Timer1 = nullptr;
    QMenu* popupMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* languageMenu_ = nullptr;
    QActionGroup* languageGroup_ = nullptr;
    std::array<QAction*, kCommandCount> actions_{};
    std::array<QAction*, kCommandCount> popupActions_{};
    bool shownOnce_ = false;
};
