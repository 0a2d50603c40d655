// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/sourcetexts.h"

#include "text/encodingdetect.h"
#include "text/encodings.h"

#include <algorithm>
#include <utility>

namespace zarnik {

namespace {

// The encoding is told from at most this many texts spread evenly through the file: more
// than a real game file holds, and plenty to judge a million, which read whole would take
// several times as long as loading them.
constexpr size_t kDetectionSample = 20000;

EncodingVerdict detectSampled(const GxtDocument& doc)
{
    const size_t count = doc.Count();
    if (count <= kDetectionSample)
        return DetectEncoding(doc);
    std::vector<Text> sample;
    sample.reserve(kDetectionSample);
    for (size_t k = 0; k < kDetectionSample; ++k)
        sample.emplace_back(doc.text(k * count / kDetectionSample));
    return DetectEncoding(sample);
}

}  // namespace

SourceTexts::SourceTexts(EditSession& session) : session_(session)
{
    session_.addListener(this);
}

SourceTexts::~SourceTexts()
{
    session_.removeListener(this);
}

void SourceTexts::open(const std::string& path)
{
    open(LoadGxtFile(path));
}

void SourceTexts::open(GxtDocument source)
{
    mode_ = ModeForEncoding(detectSampled(source).encoding);
    source_ = std::move(source);
    match();
}

void SourceTexts::close()
{
    source_.reset();
    match_ = {};
    missingInSource_ = 0;
    untranslated_ = {};
    untranslatedCount_ = 0;
}

void SourceTexts::setDocumentMode(int mode)
{
    if (documentMode_ == mode)
        return;
    documentMode_ = mode;
    weighAll();
}

const uint8_t* SourceTexts::displayTable() const
{
    return DisplayTableFor(mode_);
}

std::optional<std::string_view> SourceTexts::storedText(size_t entry) const
{
    if (!source_ || entry >= match_.sourceOf.size() || match_.sourceOf[entry] == KeyMatch::npos)
        return std::nullopt;
    return source_->text(match_.sourceOf[entry]);
}

Text SourceTexts::displayText(size_t entry) const
{
    const std::optional<std::string_view> stored = storedText(entry);
    if (!stored)
        return {};
    Text shown(*stored);
    ToDisplay(shown, mode_);
    return shown;
}

std::optional<size_t> SourceTexts::nextUntranslated(std::ptrdiff_t from, bool down) const
{
    const auto count = static_cast<std::ptrdiff_t>(untranslated_.size());
    if (untranslatedCount_ == 0)
        return std::nullopt;
    if (down) {
        const auto begin = untranslated_.begin() + std::clamp<std::ptrdiff_t>(from + 1, 0, count);
        const auto it = std::find(begin, untranslated_.end(), 1);
        if (it != untranslated_.end())
            return static_cast<size_t>(it - untranslated_.begin());
    } else {
        for (std::ptrdiff_t i = std::min(from, count) - 1; i >= 0; --i)
            if (untranslated_[static_cast<size_t>(i)])
                return static_cast<size_t>(i);
    }
    return std::nullopt;
}

void SourceTexts::entryChanged(size_t index)
{
    if (!source_ || index >= untranslated_.size())
        return;
    const uint8_t now = weigh(index);
    if (now != untranslated_[index]) {
        untranslatedCount_ = now ? untranslatedCount_ + 1 : untranslatedCount_ - 1;
        untranslated_[index] = now;
    }
}

// A whole-document change or another document: its keys may be others.
void SourceTexts::allEntriesChanged()
{
    if (source_)
        match();
}

void SourceTexts::match()
{
    match_ = MatchKeys(session_.document().keys, source_->keys);
    missingInSource_ = match_.unmatchedInFile();
    weighAll();
}

void SourceTexts::weighAll()
{
    if (!source_)
        return;
    const size_t count = session_.count();
    untranslated_.assign(count, 0);
    untranslatedCount_ = 0;
    // Texts of equal length are compared, and with a million of them the reads of their
    // first bytes, scattered over both files' texts, are most of the time: asked for a few
    // entries ahead, they come in together instead of one after the other.
    constexpr size_t kAhead = 16;
    for (size_t i = 0; i < count; ++i) {
        if (i + kAhead < count) {
            __builtin_prefetch(session_.text(i + kAhead).data());
            if (const size_t s = match_.sourceOf[i + kAhead]; s != KeyMatch::npos)
                __builtin_prefetch(source_->text(s).data());
        }
        untranslated_[i] = weigh(i);
        untranslatedCount_ += untranslated_[i];
    }
}

bool SourceTexts::weigh(size_t entry) const
{
    const size_t s = match_.sourceOf[entry];
    if (s == KeyMatch::npos)
        return false;
    const std::string_view source = source_->text(s);
    if (source.empty())
        return false;
    const std::string_view text = session_.text(entry);
    if (text.empty())
        return true;
    if (text.size() != source.size())
        return false;
    // Compared as shown, byte by byte through both tables, without copying either text.
    const uint8_t* shown = DisplayTableFor(documentMode_);
    const uint8_t* sourceShown = displayTable();
    for (size_t k = 0; k < text.size(); ++k)
        if (shown[static_cast<uint8_t>(text[k])] != sourceShown[static_cast<uint8_t>(source[k])])
            return false;
    return true;
}

}  // namespace zarnik
