#include "undohistory.h"

void UndoHistory::push(std::string text, int index)
{
    if (records_.size() >= kLimit)
        return;
    records_.resize(position_);
    records_.push_back({std::move(text), index});
    position_ = records_.size();
}

UndoHistory::Record* UndoHistory::stepBack()
{
    if (position_ == 0)
        return nullptr;
    return &records_[--position_];
}

UndoHistory::Record* UndoHistory::stepForward()
{
    if (position_ == records_.size())
        return nullptr;
    return &records_[position_++];
}

void UndoHistory::clear()
{
    records_.clear();
    position_ = 0;
}
