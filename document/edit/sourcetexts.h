// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "edit/editsession.h"
#include "format/gxtdocument.h"
#include "translation/keymatch.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarnik {

// A second file shown beside the edited one and never changed: usually the English file a
// translation is made from. It is shown in its own detected encoding, whatever mode the
// edited file is shown in, and each entry of the edited file gets the text of the same key
// in it, matched as MatchKeys matches.
//
// It follows the editing session it is given: a newly loaded document is matched again,
// and every change is weighed at once. An entry is untranslated while its text shows the
// same characters as its source text, or is empty while the source text is not; an entry
// whose source text is empty, or that has none, has nothing to translate.
class SourceTexts : private EditSession::Listener {
public:
    explicit SourceTexts(EditSession& session);
    ~SourceTexts() override;
    SourceTexts(const SourceTexts&) = delete;
    SourceTexts& operator=(const SourceTexts&) = delete;

    // Reads the file and matches it to the session's document. Throws FileError; the source
    // open before, if any, then stays as it was.
    void open(const std::string& path);
    void open(GxtDocument source);
    void close();
    bool isOpen() const { return source_.has_value(); }

    // The mode the edited document is shown in, which decides what "the same characters"
    // are. Weighs every entry again when it changes.
    void setDocumentMode(int mode);
    // The mode the source is shown in, chosen by its detected encoding.
    int mode() const { return mode_; }
    // Turns a byte of a source text into the byte the user sees.
    const uint8_t* displayTable() const;

    // The source text of entry `entry` of the edited document, in storage form; nothing
    // when the source lacks that key (or no source is open).
    std::optional<std::string_view> storedText(size_t entry) const;
    // The same as the user sees it (Windows-1251); empty when there is none.
    Text displayText(size_t entry) const;

    size_t missingInSource() const { return missingInSource_; }  // keys of the document only
    size_t missingInDocument() const { return match_.unmatchedSource.size(); }  // keys of the source only

    bool isUntranslated(size_t entry) const { return entry < untranslated_.size() && untranslated_[entry]; }
    size_t untranslatedCount() const { return untranslatedCount_; }
    // The nearest untranslated entry after `from` (before it when not `down`); `from` may be
    // -1, before the first entry. Nothing when there is none that way.
    std::optional<size_t> nextUntranslated(std::ptrdiff_t from, bool down) const;

private:
    void entryChanged(size_t index) override;
    void allEntriesChanged() override;

    void match();
    void weighAll();
    bool weigh(size_t entry) const;

    EditSession& session_;
    std::optional<GxtDocument> source_;
    int mode_ = 1;
    int documentMode_ = 1;
    KeyMatch match_;
    size_t missingInSource_ = 0;
    std::vector<uint8_t> untranslated_;  // one per entry of the document
    size_t untranslatedCount_ = 0;
};

}  // namespace zarnik
