// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace zarnik::bench {

// Prints the figures as rows of the README's performance table ("| figure | measured |
// target |"), so the README can be a copy of a real run; bench.sh gathers the rows.
// Remembers whether any target was missed.
class Figures {
public:
    // A figure measured at one or more sizes, each of which must not exceed `limit`.
    // `unit` follows each value ("×", " ms").
    void atMost(const std::string& what, const std::vector<double>& values, double limit,
                const std::string& unit)
    {
        // A figure whose benchmarks were filtered out is not printed.
        if (std::all_of(values.begin(), values.end(), [](double v) { return v < 0; }))
            return;
        bool ok = true;
        std::string measured;
        for (double v : values) {
            ok = ok && v >= 0 && v <= limit;
            if (!measured.empty())
                measured += " · ";
            measured += v < 0 ? std::string("—") : number(v) + unit;
        }
        missed_ = missed_ || !ok;
        std::printf("| %s | %s | ≤ %s%s%s |\n", what.c_str(), measured.c_str(),
                    number(limit).c_str(), unit.c_str(), ok ? "" : " (missed)");
        std::fflush(stdout);
    }
    // A row without a target: what a figure is measured against.
    void note(const std::string& what, const std::vector<double>& values, const std::string& unit)
    {
        if (std::all_of(values.begin(), values.end(), [](double v) { return v < 0; }))
            return;
        std::string measured;
        for (double v : values) {
            if (!measured.empty())
                measured += " · ";
            measured += v < 0 ? std::string("—") : number(v) + unit;
        }
        std::printf("| %s | %s | — |\n", what.c_str(), measured.c_str());
        std::fflush(stdout);
    }
    bool missed() const { return missed_; }

    static std::string number(double v)
    {
        char buf[32];
        if (v == static_cast<double>(static_cast<long long>(v)) && v < 1e9)
            std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
        else
            std::snprintf(buf, sizeof buf, v >= 100 ? "%.0f" : v >= 10 ? "%.1f" : "%.2f", v);
        return buf;
    }

private:
    bool missed_ = false;
};

}  // namespace zarnik::bench
