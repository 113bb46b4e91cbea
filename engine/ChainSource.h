// TChainSource: where a scan gets its chains from, one after another, in
// the order of their first blocks. The contiguous modes search the file as
// they go (TChainScanner); Deep mode indexes it first and follows the
// blocks' own pointers (TDeepScanner). MakeChainSource picks by the rules.
#pragma once

#include <memory>

#include "engine/CarvedMessage.h"
#include "engine/CarvedText.h"
#include "engine/ScanMode.h"

namespace tervaline::engine {

class TBlockIndex;
class TFileWindow;
class TProgressMeter;
class TScanStop;

class TChainSource {
public:
    virtual ~TChainSource() = default;

    // Tests the store signature, and answers whether it is there: the scan
    // begins behind the store header when it is, else at 0. The window must
    // hold at least 8 bytes (TCheck::BufferHoldsSignature).
    virtual bool CheckFileHeader() = 0;
    // Moves on to the next chain; false at the end of the file or once a
    // stop has been requested.
    virtual bool NextChain() = 0;
    // Reassembles the chain NextChain moved to.
    virtual TCarvedMessage CarveChain() = 0;
    // Whether the chains ran out because the whole file was searched, not
    // because of a stop.
    virtual bool ReachedEnd() const = 0;
    // How far into the file the search has come: where a stop leaves it.
    virtual std::uint64_t SearchedTo() const = 0;
    // The index of every block header and record mark, for a source that
    // builds one; none before the first NextChain has built it.
    virtual const TBlockIndex* Index() const { return nullptr; }
};

// Every argument must outlive the source. Texts too long to hold go where
// Spill says.
std::unique_ptr<TChainSource> MakeChainSource(TFileWindow& window, const TScanRules& rules, TProgressMeter& progress,
                                              const TScanStop& stop, const TSpillPlace& spill = {});

// TCheck::BufferHoldsSignature, then whether the file begins with the store signature; the
// window then stands at 0. Returns where the scan begins.
std::uint64_t ScanStart(TFileWindow& window);

}  // namespace tervaline::engine
