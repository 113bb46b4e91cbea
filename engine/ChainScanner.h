// TChainScanner: finds the chains of contiguous message blocks in a store
// and carves them, over a file window and the rules of a scan mode. It has
// no thread and writes nothing: each carved message is handed back to the
// caller, which is what a scan, the tests, the benchmark and the fuzzer
// drive.
#pragma once

#include <cstdint>

#include "engine/CarvedMessage.h"
#include "engine/CarvedText.h"
#include "engine/ChainSource.h"
#include "engine/ScanMode.h"

namespace tervaline::engine {

class TFileWindow;
class TProgressMeter;
class TScanStop;
struct TBlockHeader;

class TChainScanner : public TChainSource {
public:
    // Every argument must outlive the scanner. Texts too long to hold go
    // where Spill says.
    TChainScanner(TFileWindow& window, const TScanRules& rules, TProgressMeter& progress, const TScanStop& stop,
                  TSpillPlace spill = {});

    // Leaves the cursor where the search begins.
    bool CheckFileHeader() override;
    bool NextChain() override { return FindChain() != 0; }

    // Moves the cursor to the next candidate chain start and returns the
    // position that revealed it (never 0), or returns 0 at the end of the
    // file or once a stop has been requested. It skips in bulk what the one
    // step at a time would pass over; the tests and the benchmark hold it
    // to that search (TChainScannerPeer).
    std::uint64_t FindChain();

    // Reassembles the chain whose first block header stands at the cursor,
    // reading each block by its offset, and leaves the cursor behind what
    // it consumed (eight bytes past a block that broke the rules).
    TCarvedMessage CarveChain() override;

    bool ReachedEnd() const override { return reachedEnd_; }
    std::uint64_t SearchedTo() const override;

private:
    friend class TChainScannerPeer;

    bool Accepts(const TBlockHeader& h, std::uint64_t at) const;
    std::int64_t SearchLimit() const;
    bool SearchStep(std::int64_t limit, std::uint64_t& result);
    std::uint32_t QuietRunLength(std::int64_t limit) const;

    TFileWindow& window_;
    const TScanRules rules_;
    TProgressMeter& progress_;
    const TScanStop& stop_;
    const TSpillPlace spill_;
    bool reachedEnd_ = false;
};

}  // namespace tervaline::engine
