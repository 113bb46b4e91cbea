// TDeepScanner: the chain source of Deep mode. It indexes every plausible
// block header in the file, live or deleted, at any byte (TBlockIndex),
// links them by their Next pointers wherever the blocks lie (TChainLinker),
// and hands out the chains in the order of their first blocks, each read
// block by block at its own position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/BlockIndex.h"
#include "engine/CarvedText.h"
#include "engine/ChainSource.h"

namespace tervaline::engine {

class TChainLinker;

class TDeepScanner : public TChainSource {
public:
    // Every argument must outlive the scanner.
    TDeepScanner(TFileWindow& window, TProgressMeter& progress, const TScanStop& stop, TSpillPlace spill = {});
    ~TDeepScanner() override;

    bool CheckFileHeader() override;
    // The first call reads the whole file into the index; a stop during
    // that pass ends the scan with no chain.
    bool NextChain() override;
    TCarvedMessage CarveChain() override;
    bool ReachedEnd() const override { return reachedEnd_; }
    std::uint64_t SearchedTo() const override;
    const TBlockIndex* Index() const override { return linker_ ? &index_ : nullptr; }

private:
    // The end of the run of blocks of the chain that stand one behind the
    // other from Block on, at most a buffer's length from it.
    std::uint64_t RunEnd(std::size_t block, std::int64_t delta) const;

    TFileWindow& window_;
    TProgressMeter& progress_;
    const TScanStop& stop_;
    const TSpillPlace spill_;

    std::uint64_t from_ = 0;
    TBlockIndex index_;
    std::unique_ptr<TChainLinker> linker_;
    std::size_t next_ = 0;     // the first block not yet looked at for a chain start
    std::size_t current_ = 0;  // the first block of the chain NextChain moved to
    bool reachedEnd_ = false;
};

}  // namespace tervaline::engine
