#pragma once

#include <string>
#include <vector>

// Before-images of single-entry changes. Undo and redo both swap a record's text with the
// entry's present text, so one record serves both directions. Texts are in storage form,
// so switching the display mode never invalidates them.
class UndoHistory {
public:
    static constexpr size_t kLimit = 1000;

    struct Record {
        std::string text;
        int index = 0;
    };

    // Records the text an entry has before it changes. From the 1001st change on nothing
    // is recorded and the history stays as it is, its redo part included.
    void push(std::string text, int index);
    // The record to swap for an undo / a redo; nullptr when there is none. Moves the position.
    Record* stepBack();
    Record* stepForward();
    void clear();

    bool canUndo() const { return position_ > 0; }
    bool canRedo() const { return position_ < records_.size(); }
    size_t size() const { return records_.size(); }
    size_t position() const { return position_; }

private:
    std::vector<Record> records_;
    size_t position_ = 0;
};
