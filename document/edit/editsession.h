// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/encodings.h"
#include "format/gxtdocument.h"
#include "files/safefile.h"
#include "edit/textchange.h"
#include "edit/undohistory.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarnik {

// The open document with everything that belongs to it while it is edited: the undo
// history and the modified flag. Every change the editor makes goes through here, so the
// rules of which change is recorded, which empties the history and which marks the
// document modified are kept in one place, and whoever shows the document hears of each
// change. Indexes are 0-based entry numbers; a single-entry change of an index that does
// not exist does nothing and returns false.
class EditSession {
public:
    // What a listener hears. Each call comes after the change is complete.
    class Listener {
    public:
        virtual ~Listener() = default;
        // One entry's text changed.
        virtual void entryChanged(size_t /*index*/) {}
        // One entry's text changed to what the user typed. `typed` is the text as the user
        // is shown it; it may read differently once stored (a letter without a slot of
        // its own), and the list shows what was typed until it is filled anew.
        virtual void entryTyped(size_t index, std::string_view /*typed*/) { entryChanged(index); }
        // Any or every text may have changed, or a new document was loaded.
        virtual void allEntriesChanged() {}
        virtual void modifiedChanged(bool /*modified*/) {}
        // What undo and redo can do has changed.
        virtual void historyChanged() {}
    };

    using TextChange = zarnik::TextChange;

    // Listeners are told in the order they were added; they must outlive the session or
    // be removed first.
    void addListener(Listener* listener);
    void removeListener(Listener* listener);

    const GxtDocument& document() const { return doc_; }
    bool isLoaded() const { return loaded_; }
    bool isModified() const { return modified_; }
    const UndoHistory& history() const { return history_; }
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }

    size_t count() const { return doc_.Count(); }
    // Views valid until the entry changes or another document is loaded.
    std::string_view text(size_t index) const { return current(index); }
    std::string_view loadedText(size_t index) const { return doc_.loadedText(index); }

    // Replaces the document with a file's. Throws FileError (the document and its history
    // are then untouched). The new document is unmodified with an empty history.
    void load(const std::string& path);
    void load(GxtDocument doc);
    // Writes the document to `path` (the previous file becomes its backup) and marks it
    // unmodified. Throws FileError; then nothing has changed. The history is kept.
    void save(const std::string& path, FileSystem& fs = RealFileSystem());

    // Single-entry changes: each records the entry's previous text for undo and marks the
    // document modified, even when the new text equals the old.
    bool setText(size_t index, Text stored);
    // The same for text the user typed (Windows-1251) in language mode `mode`, stored as
    // the editor stores typed text.
    bool setTypedText(size_t index, Text typed, int mode);
    // Does nothing, not even record, when the text is already empty.
    bool clearText(size_t index);
    // Back to the text as loaded.
    bool restoreText(size_t index);
    // Does nothing when the text holds no byte of the source encoding.
    bool recodeText(size_t index, RecodeDirection direction);

    // Undo and redo swap a recorded text with the entry's and always mark the document
    // modified, even when that brings back the saved state. They return the entry that
    // changed, or nothing when there was nothing to undo or redo.
    std::optional<size_t> undo();
    std::optional<size_t> redo();

    // Whole-document changes: they cannot be undone, so they empty the history, and they
    // always mark the document modified.
    void restoreAll();
    void recodeAll(RecodeDirection direction);

    // Puts each given text into its entry (entries that do not exist are skipped) as one
    // change, which one undo takes back whole; it marks the document modified.
    void setTexts(std::vector<TextChange> changes);

private:
    // The only places that touch the texts' storage.
    std::string_view current(size_t index) const { return doc_.text(index); }
    void put(size_t index, Text stored) { doc_.setText(index, std::move(stored)); }
    Text exchange(size_t index, Text stored);
    // Undo or redo: one history step and what the listeners are told of it.
    std::optional<size_t> step(std::optional<size_t> (UndoHistory::*move)(const UndoHistory::Exchange&));
    // Lets the entry share its loaded text again instead of holding a copy of it.
    void putLoaded(size_t index) { doc_.restoreText(index); }

    bool exists(size_t index) const { return index < count(); }
    void recordedChange(size_t index, Text stored);
    template <typename Put, typename Tell>
    void recordedChangeBy(size_t index, Put put, Tell tellChange);
    template <typename Put>
    void recordedChangeBy(size_t index, Put put)
    {
        recordedChangeBy(index, put, [index](Listener& l) { l.entryChanged(index); });
    }
    void wholeDocumentChanged();
    void setModified(bool modified);
    // Runs a change of the history and tells the listeners if undo or redo availability moved.
    template <typename Change>
    auto changeHistory(Change change);

    template <typename Call>
    void tell(Call call) const
    {
        // A copy, so that a listener may remove itself while being told.
        const std::vector<Listener*> listeners = listeners_;
        for (Listener* l : listeners)
            call(*l);
    }

    GxtDocument doc_;
    UndoHistory history_;
    bool loaded_ = false;
    bool modified_ = false;
    std::vector<Listener*> listeners_;
};

}  // namespace zarnik
