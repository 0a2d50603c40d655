// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "edit/textchange.h"
#include "format/gxtdocument.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace zarnik {

// Before-images of single-entry changes. Undo and redo both swap a record's text with the
// entry's present text, so one record serves both directions. Texts are in storage form,
// so switching the display mode never invalidates them.
class UndoHistory {
public:
    static constexpr size_t kLimit = 1000;

    // Puts `text` into entry `index` and returns what the entry held before. The history
    // does the swap through it, so it never hands out its own records.
    using Exchange = std::function<Text(size_t index, Text text)>;

    // Records the text an entry has before it changes. From the 1001st change on nothing
    // is recorded and the history stays as it is, its redo part included.
    void push(Text text, size_t index);
    // The same for a change of several entries at once, which one undo takes back whole.
    void push(std::vector<TextChange> before);
    // Swaps the record before / after the position with its entries and moves the position.
    // Returns the (first) entry that changed, or nothing when there is no record to swap.
    std::optional<size_t> undo(const Exchange& exchange);
    std::optional<size_t> redo(const Exchange& exchange);
    void clear();

    bool canUndo() const { return position_ > 0; }
    bool canRedo() const { return position_ < records_.size(); }
    size_t size() const { return records_.size(); }
    size_t position() const { return position_; }

private:
    struct Record {
        std::vector<TextChange> entries;
    };
    void swap(Record& record, const Exchange& exchange);

    std::vector<Record> records_;
    size_t position_ = 0;
};

}  // namespace zarnik
