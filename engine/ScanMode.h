// Scan modes and the rules each one stands for. A mode is chosen once, at
// the edge (a command-line word, a radio button); ScanRulesFor is the one place that turns it into what
// the search and the carver do.
#pragma once

#include <cstdint>
#include <iosfwd>

namespace tervaline::engine {

enum class TScanMode {
    Shallow,  // headers that record their own position, on a 4-byte grid
    Bottom,   // any block header at any byte
    Grid,     // any block header on the 4-byte grid (no window offers it)
    Deep,     // every header indexed, chains followed by their Next pointers
};

// Which bulk search finds the next position worth a single step.
enum class TWordSearch {
    SelfOrSizeOnGrid,
    SizeOnGrid,
    SizeAtAnyByte,
};

// How the carver gets from one block of a chain to the next.
enum class TChainFollow {
    Contiguous,   // the next block stands directly behind, and Next agrees
    NextPointer,  // wherever Next leads, live and deleted chains alike
};

// What the search and the carver do in a mode. Step, SelfOffsetTest,
// PositionCheck and Search are the contiguous search's; following Next
// pointers indexes every header at any byte instead.
struct TScanRules {
    std::uint32_t Step;        // bytes between the positions the search examines
    bool SelfOffsetTest;       // a word equal to its own position starts a candidate
    bool PositionCheck;        // a block must stand where its header says it does
    TWordSearch Search;
    TChainFollow Follow;
    bool Below4GiBOnly;        // whether stores of 4 GiB and more are refused
    unsigned Passes;           // times the store is read through, for the share of the scan done
};

TScanRules ScanRulesFor(TScanMode mode);

// The mode's word on the command line and in messages: "shallow",
// "bottom", "grid" or "deep".
const char* ScanModeName(TScanMode mode);
std::ostream& operator<<(std::ostream& out, TScanMode mode);

}  // namespace tervaline::engine
