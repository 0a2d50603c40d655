#pragma once

#include "gxtdocument.h"
#include "programdirectory.h"
#include "prompts.h"
#include "undohistory.h"

#include <QMainWindow>

#include <optional>

#include <functional>
#include <map>

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
// and every command. It owns the one open document.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `arguments` are the command-line arguments after the program name.
    MainWindow(Prompts& prompts, const ProgramDirectory& programDirectory,
               const QStringList& arguments, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Read access for the tests and the benchmarks.
    const zarnik::GxtDocument& document() const { return doc_; }
    int currentIndex() const { return CurrentIndex; }
    bool isModified() const { return ModifiedFlag; }
    bool isLoaded() const { return LoadedFlag; }
    int languageMode() const { return LanguageMode; }
    const QString& documentPath() const { return DocumentPath; }
    QString statusText(int panel) const;
    EntryListView* list() const { return list_; }
    EntryListModel* listModel() const { return model_; }
    const UndoHistory& undoHistory() const { return UndoHistory_; }
    QMenu* languageMenu() const { return languageMenu_; }

    // Loads a file as the open command does after its dialog; false when it failed.
    bool openDocument(const QString& path);

    // Commands of the file menu.
    void Open();
    void Save();
    void SaveAs();

    void RefillList(bool takeFocus);
    void RevealCurrent(bool nudge);
    void SelectMode(int mode);
    void SetStatus(int panel, const QString& text);
    void SetModified(bool flag);

    // Stored text to what the user sees and back, for the mode in force.
    zarnik::Text ToDisplay(zarnik::Text text) const;
    zarnik::Text ToStorage(zarnik::Text text) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    enum class Enabled { Always, Document, CanUndo, CanRedo };
    QAction* addCommand(QMenu* menu, const char* name, const QString& caption,
                        const QKeySequence& shortcut, Enabled rule,
                        std::function<void()> handler);
    QAction* addTwin(QMenu* menu, const char* name, const QString& caption, QAction* original);
    QMenu* addMenu(QMenu* parent, const char* name, const QString& title);
    void createMenus();
    void createListPopup();
    void createStatusBar();
    void startUp(const QStringList& arguments);
    void loadAtStartUp(const QString& path);
    bool loadInto(const QString& path);
    void showFileError(const std::exception& error);

    void UpdateMenuState();
    void UpdatePositionPanel();
    void ListView1SelectItem();
    int displayMode() const;
    void setLanguageCaption(int mode);
    void ClearUndo();
    void EscapePressed();

    Prompts& prompts_;
    ProgramDirectory programDirectory_;

    zarnik::GxtDocument doc_;
    QString DocumentPath;
    bool LoadedFlag = false;
    bool ModifiedFlag = false;
    int CurrentIndex = 1;
    int LanguageMode = 3;
    int CaptionWidth = 80;
    bool UseGrig = true;
    bool AutoSize = true;
    bool ChangeDir = true;
    int RecCount = 20;
    FontChoice ListFont;
    UndoHistory UndoHistory_;

    // --- entry editing
    bool hasCurrentEntry() const;
    // One recorded change of the current entry: the new text as stored and as shown.
    // No stored text: the entry goes back to its loaded one.
    void changeCurrentText(std::optional<zarnik::Text> stored, const zarnik::Text& shown, const QString& status,
                           bool updatePosition);
    // What the user typed or pasted, made storable in the mode in force.
    zarnik::Text typedText(const QString& text) const;
    void Edit();
    void Copy();
    void Paste();
    void Clear();
    void Restore();
    void RestoreAll();
    void RecodeCurrentPirateToBuka();
    void RecodeCurrentBukaToPirate();
    void RecodeAllPirateToBuka();
    void RecodeAllBukaToPirate();
    void PushUndo();
    void Undo();
    void Redo();
    void showUndoneEntry(int index);
    void swapWithRecord(UndoHistory::Record* record, const QString& status);
    void recodeCurrent(bool (*holdsSource)(std::string_view), void (*recode)(zarnik::Text&));
    int editTop_ = 480;
    int editLeft_ = 360;
    int editWidth_ = 500;

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
    QString captionBeforeBlink_;
    bool blinking_ = false;

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
    int storedFontColor_ = 0;  // as read, so a colour we cannot show is written back as it was

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
    std::map<QAction*, Enabled> enablingRules_;
    bool shownOnce_ = false;
};
