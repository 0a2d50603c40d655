#pragma once

#include <cstdint>

namespace zarnik {

// The string codec's reading side, split in two passes so that whole documents decode at
// memory speed: first find where a string ends and how long its text is, then turn its
// units into characters. A unit whose high byte is 0 gives one character (its low byte);
// any other unit gives two, low byte first. A string ends at a unit of value 0, or at the
// end of the bytes; a single last byte without its high byte is a character of its own
// unless it is 0.

struct GxtStringExtent {
    uint64_t end = 0;     // where the terminating unit starts, or where the bytes ran out
    uint64_t chars = 0;   // characters the units before `end` decode to
    bool tailChar = false;  // a lone non-zero last byte at `end` adds one more character
};

// `pos` must be below `size`.
GxtStringExtent ScanGxtString(const uint8_t* bytes, uint64_t size, uint64_t pos);
// Decodes the whole units of [from, from + length) to `out` and returns the end of what
// it wrote. `length` is even. `out` may be `from` itself or lie before it: every unit is
// read before anything is written over it, so a string can be decoded in place.
char* DecodeGxtUnits(const uint8_t* from, uint64_t length, char* out);

// The portable forms of the two passes, which the above use where no vector unit helps.
GxtStringExtent ScanGxtStringPortable(const uint8_t* bytes, uint64_t size, uint64_t pos);
char* DecodeGxtUnitsPortable(const uint8_t* from, uint64_t length, char* out);

}  // namespace zarnik
