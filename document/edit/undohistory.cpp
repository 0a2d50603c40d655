// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/undohistory.h"

namespace zarnik {

void UndoHistory::push(Text text, size_t index)
{
    std::vector<TextChange> before;
    before.push_back({index, std::move(text)});
    push(std::move(before));
}

void UndoHistory::push(std::vector<TextChange> before)
{
    if (records_.size() >= kLimit || before.empty())
        return;
    records_.resize(position_);
    records_.push_back({std::move(before)});
    position_ = records_.size();
}

void UndoHistory::swap(Record& record, const Exchange& exchange)
{
    for (TextChange& entry : record.entries)
        entry.text = exchange(entry.index, std::move(entry.text));
}

std::optional<size_t> UndoHistory::undo(const Exchange& exchange)
{
    if (position_ == 0)
        return std::nullopt;
    Record& record = records_[position_ - 1];
    swap(record, exchange);
    --position_;
    return record.entries.front().index;
}

std::optional<size_t> UndoHistory::redo(const Exchange& exchange)
{
    if (position_ == records_.size())
        return std::nullopt;
    Record& record = records_[position_];
    swap(record, exchange);
    ++position_;
    return record.entries.front().index;
}

void UndoHistory::clear()
{
    records_.clear();
    position_ = 0;
}

}  // namespace zarnik
