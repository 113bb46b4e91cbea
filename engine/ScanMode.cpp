#include "engine/ScanMode.h"

#include <ostream>

namespace tervaline::engine {

TScanRules ScanRulesFor(TScanMode mode) {
    switch (mode) {
        case TScanMode::Shallow:
            // Self offsets are 32-bit, so past 4 GiB no header can record
            // its own position: such files need a mode that does not ask.
            return {4, true, true, TWordSearch::SelfOrSizeOnGrid, TChainFollow::Contiguous, true, 1};
        case TScanMode::Grid:
            return {4, false, false, TWordSearch::SizeOnGrid, TChainFollow::Contiguous, false, 1};
        case TScanMode::Deep:
            return {1, false, false, TWordSearch::SizeAtAnyByte, TChainFollow::NextPointer, false, 2};
        case TScanMode::Bottom:
            break;
    }
    return {1, false, false, TWordSearch::SizeAtAnyByte, TChainFollow::Contiguous, false, 1};
}

const char* ScanModeName(TScanMode mode) {
    switch (mode) {
        case TScanMode::Shallow: return "shallow";
        case TScanMode::Grid: return "grid";
        case TScanMode::Deep: return "deep";
        case TScanMode::Bottom: break;
    }
    return "bottom";
}

std::ostream& operator<<(std::ostream& out, TScanMode mode) { return out << ScanModeName(mode); }

}  // namespace tervaline::engine
