#pragma once

#include <cstdio>
#include <string>

namespace zarnik::bench {

// One printed line per figure, with its target; remembers whether any target was missed.
class Figures {
public:
    // A figure that must not exceed `limit`.
    void atMost(const std::string& what, double value, double limit, const char* unit)
    {
        const bool ok = value <= limit;
        missed_ = missed_ || !ok;
        std::printf("%-58s %10.2f %-3s (target <= %.2f %s)  %s\n", what.c_str(), value, unit, limit,
                    unit, ok ? "ok" : "MISSED");
        std::fflush(stdout);
    }
    bool missed() const { return missed_; }

private:
    bool missed_ = false;
};

}  // namespace zarnik::bench
