// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commands.h"
#include "translation/translation.h"

#include <optional>
#include <string>

namespace zarnik::cli {

// extract: the texts of FILE.gxt to a PO, POT or TSV file for translators.
// Without a mode, each file's texts are written in the mode its detected encoding calls for.
void RunExtract(const std::string& path, const std::string& target, TranslationFormat format,
                std::optional<int> mode, const std::optional<std::string>& source, Output& out);

struct ApplyOptions {
    std::optional<std::string> target;  // -o
    std::optional<int> mode;            // --mode, when given; else the file's detected encoding
    std::optional<char> language;       // --language
    bool useFuzzy = false;
};
// apply: a translation's texts into FILE.gxt, matched by key, saved like resave.
void RunApply(const std::string& path, const std::string& translation, const ApplyOptions& options,
              Output& out);

}  // namespace zarnik::cli
