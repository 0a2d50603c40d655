#include "edit/undohistory.h"

namespace zarnik {

void UndoHistory::push(Text text, size_t index)
{
    if (records_.size() >= kLimit)
        return;
    records_.resize(position_);
    records_.push_back({std::move(text), index});
    position_ = records_.size();
}

void UndoHistory::swap(Record& record, const Exchange& exchange)
{
    record.text = exchange(record.index, std::move(record.text));
}

std::optional<size_t> UndoHistory::undo(const Exchange& exchange)
{
    if (position_ == 0)
        return std::nullopt;
    Record& record = records_[position_ - 1];
    swap(record, exchange);
    --position_;
    return record.index;
}

std::optional<size_t> UndoHistory::redo(const Exchange& exchange)
{
    if (position_ == records_.size())
        return std::nullopt;
    Record& record = records_[position_];
    swap(record, exchange);
    ++position_;
    return record.index;
}

void UndoHistory::clear()
{
    records_.clear();
    position_ = 0;
}

}  // namespace zarnik
