// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/editsession.h"

#include <algorithm>
#include <utility>

namespace zarnik {

void EditSession::addListener(Listener* listener)
{
    listeners_.push_back(listener);
}

void EditSession::removeListener(Listener* listener)
{
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

Text EditSession::exchange(size_t index, Text stored)
{
    doc_.swapText(index, stored);
    return stored;
}

template <typename Change>
auto EditSession::changeHistory(Change change)
{
    const bool couldUndo = history_.canUndo();
    const bool couldRedo = history_.canRedo();
    auto result = change();
    if (couldUndo != history_.canUndo() || couldRedo != history_.canRedo())
        tell([](Listener& l) { l.historyChanged(); });
    return result;
}

void EditSession::setModified(bool modified)
{
    if (modified_ == modified)
        return;
    modified_ = modified;
    tell([modified](Listener& l) { l.modifiedChanged(modified); });
}

void EditSession::load(const std::string& path)
{
    load(LoadGxtFile(path));
}

void EditSession::load(GxtDocument doc)
{
    doc_ = std::move(doc);
    loaded_ = true;
    changeHistory([this] { history_.clear(); return true; });
    setModified(false);
    tell([](Listener& l) { l.allEntriesChanged(); });
}

void EditSession::save(const std::string& path, FileSystem& fs)
{
    SaveGxtFile(doc_, path, fs);
    setModified(false);
}

template <typename Put, typename Tell>
void EditSession::recordedChangeBy(size_t index, Put put, Tell tellChange)
{
    changeHistory([&] { history_.push(Text(text(index)), index); return true; });
    put();
    tell(tellChange);
    setModified(true);
}

void EditSession::recordedChange(size_t index, Text stored)
{
    recordedChangeBy(index, [&] { put(index, std::move(stored)); });
}

bool EditSession::setText(size_t index, Text stored)
{
    if (!exists(index))
        return false;
    recordedChange(index, std::move(stored));
    return true;
}

bool EditSession::setTypedText(size_t index, Text typed, int mode)
{
    if (!exists(index))
        return false;
    FoldTyped(typed, mode);
    Text stored = typed;
    const uint8_t* storage = TypedStorageTableFor(mode);
    for (char& c : stored)
        c = static_cast<char>(storage[static_cast<uint8_t>(c)]);
    recordedChangeBy(index, [&] { put(index, std::move(stored)); },
                     [&](Listener& l) { l.entryTyped(index, typed); });
    return true;
}

bool EditSession::clearText(size_t index)
{
    if (!exists(index) || text(index).empty())
        return false;
    recordedChange(index, Text());
    return true;
}

bool EditSession::restoreText(size_t index)
{
    if (!exists(index))
        return false;
    recordedChangeBy(index, [&] { putLoaded(index); });
    return true;
}

bool EditSession::recodeText(size_t index, RecodeDirection direction)
{
    if (!exists(index) || !HoldsRecodeSource(text(index), direction))
        return false;
    Text recoded(text(index));
    Recode(recoded, direction);
    recordedChange(index, std::move(recoded));
    return true;
}

std::optional<size_t> EditSession::undo() { return step(&UndoHistory::undo); }

std::optional<size_t> EditSession::redo() { return step(&UndoHistory::redo); }

std::optional<size_t> EditSession::step(std::optional<size_t> (UndoHistory::*move)(const UndoHistory::Exchange&))
{
    size_t entries = 0;
    const auto swapped = changeHistory([&] {
        return (history_.*move)([&](size_t i, Text t) { ++entries; return exchange(i, std::move(t)); });
    });
    if (swapped) {
        if (entries == 1)
            tell([i = *swapped](Listener& l) { l.entryChanged(i); });
        else
            tell([](Listener& l) { l.allEntriesChanged(); });
        setModified(true);
    }
    return swapped;
}

void EditSession::wholeDocumentChanged()
{
    changeHistory([this] { history_.clear(); return true; });
    tell([](Listener& l) { l.allEntriesChanged(); });
    setModified(true);
}

void EditSession::restoreAll()
{
    RestoreAllTexts(doc_);
    wholeDocumentChanged();
}

void EditSession::recodeAll(RecodeDirection direction)
{
    RecodeAll(doc_, direction);
    wholeDocumentChanged();
}

void EditSession::setTexts(std::vector<TextChange> changes)
{
    std::erase_if(changes, [this](const TextChange& change) { return !exists(change.index); });
    std::vector<TextChange> before;
    before.reserve(changes.size());
    for (TextChange& change : changes)
        before.push_back({change.index, exchange(change.index, std::move(change.text))});
    changeHistory([&] { history_.push(std::move(before)); return true; });
    tell([](Listener& l) { l.allEntriesChanged(); });
    setModified(true);
}

}  // namespace zarnik
