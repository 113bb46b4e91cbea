#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/BlockLayout.h"
#include "engine/DbxScan.h"
#include "engine/MessageFileName.h"
#include "engine/WordSearch.h"
#include "platform/Dispatcher.h"
#include "platform/FileSystem.h"
#include "tests/engine/ScanRun.h"
#include "tests/support/TempDir.h"
#include "tools/ScannerRig.h"
#include "tools/StoreBuilder.h"

namespace tervaline::engine {
namespace {

using testing::TTempDir;
using tools::TStoreBuilder;

constexpr TScanMode kModes[] = {TScanMode::Shallow, TScanMode::Bottom, TScanMode::Grid};

// One thing the scan did, with the window as it stood at that moment, so
// that a refill at another place shows up even when the results agree.
struct TEvent {
    char Kind;  // 'p' progress report, 'f' search result
    std::uint64_t Value;
    std::uint64_t Position;
    std::uint64_t WindowBase;
    std::uint32_t WindowLen;
    bool operator==(const TEvent&) const = default;
};

void PrintTo(const TEvent& e, std::ostream* os) {
    *os << e.Kind << ' ' << e.Value << " @" << e.Position << " [" << e.WindowBase << '+' << e.WindowLen << ']';
}

struct TRunOptions {
    TScanMode Mode = TScanMode::Shallow;
    std::int32_t BufferSize = 10 * 1024;
    std::int32_t ProgressSteps = 35;
    bool Bulk = true;
    // Requests a stop from inside the report with this index (counting
    // from 0); -1 never.
    int StopAtReport = -1;
};

// Drives the search and the carving on this thread, as a scan would, and
// records every search result and progress report.
std::vector<TEvent> Trace(const std::string& source, const TRunOptions& o) {
    std::vector<TEvent> events;
    int reports = 0;
    tools::TScannerRig* rig = nullptr;
    tools::TScannerRig made(source, o.Mode, static_cast<std::uint32_t>(o.BufferSize), o.ProgressSteps,
                            [&](const engine::TScanProgress& progress) {
                                const TFileWindow& w = rig->Window;
                                events.push_back({'p', progress.Done, w.Position(), w.Base(), w.Len()});
                                if (reports++ == o.StopAtReport) rig->Stop.Request();
                            });
    rig = &made;
    rig->Scanner.CheckFileHeader();
    for (;;) {
        const std::uint64_t r = o.Bulk ? rig->Scanner.FindChain() : tervaline::engine::TChainScannerPeer::FindChainReference(rig->Scanner);
        events.push_back({'f', r, rig->Window.Position(), rig->Window.Base(), rig->Window.Len()});
        if (r == 0) break;
        rig->Scanner.CarveChain();
        if (rig->Stop.SearchStopped()) break;
    }
    return events;
}

std::size_t CountResults(const std::vector<TEvent>& events) {
    std::size_t n = 0;
    for (const auto& e : events) n += e.Kind == 'f' && e.Value != 0;
    return n;
}

// Random bytes thick with words the search looks for: size words and
// words holding their own offset, at every alignment and in runs that
// straddle any window edge, some of them heading real blocks.
std::string PlantedStore(std::uint64_t seed, std::size_t size, bool signedStore) {
    std::mt19937_64 rng(seed);
    std::string bytes(size, '\0');
    for (auto& b : bytes) b = static_cast<char>(rng() % 4 == 0 ? rng() : 0);
    auto put = [&](std::size_t at, std::uint32_t v) {
        if (at + 4 > size) return;
        WriteLE32(reinterpret_cast<std::uint8_t*>(bytes.data() + at), v);
    };
    for (std::size_t i = 0; i < size / 24; ++i) {
        const std::size_t at = rng() % size;
        const auto kind = rng() % 64;
        if (kind < 24) {
            put(at, kBlockDataSize);
        } else if (kind < 32) {
            put(at, static_cast<std::uint32_t>(at));
        } else if (kind < 56) {
            put(at & ~std::size_t{3}, static_cast<std::uint32_t>(at & ~std::size_t{3}));
        } else if (kind < 57) {  // a one-block message, whole or cut short by the file's end
            put(at, static_cast<std::uint32_t>(at));
            put(at + 4, kBlockDataSize);
            put(at + 8, static_cast<std::uint32_t>(rng() % 600));
            put(at + 12, 0);
        } else if (at + 2 <= size) {  // a size word's first two bytes only
            bytes[at] = 0;
            bytes[at + 1] = 0x02;
        }
    }
    // Words at the very end, where the window holds fewer than four bytes.
    for (std::size_t back = 1; back <= 7 && back <= size; ++back) {
        if (rng() % 2) bytes[size - back] = static_cast<char>(rng() % 3 == 0 ? 0x02 : 0);
    }
    if (signedStore && size >= 8) {
        put(0, kSignatureWord1);
        put(4, kSignatureWord2);
    }
    return bytes;
}

// Real chains among noise, zeros and size words, with stretches of 1 to 3
// bytes between them so that Bottom mode meets them at every alignment.
std::string GeneratedStore(std::uint64_t seed, bool signedStore) {
    std::mt19937_64 rng(seed);
    TStoreBuilder store(signedStore);
    for (int i = 0; i < 40; ++i) {
        switch (rng() % 4) {
            case 0: store.AddMessage(tools::MakeMailText(rng(), 100 + rng() % 3000, rng() % 2 == 0)); break;
            case 1: store.AddNoise(100 + rng() % 3000, rng()); break;
            case 2: store.AddZeros(rng() % 600); break;
            default: {
                std::string word(4, '\0');
                WriteLE32(reinterpret_cast<std::uint8_t*>(word.data()), rng() % 2 ? kBlockDataSize : store.End());
                store.AddBytes(word);
                break;
            }
        }
        if (rng() % 3 == 0) store.AddBytes(std::string(1 + rng() % 3, '\x11'));
    }
    return store.Str();
}

class ChainSearchEquivalence : public ::testing::Test {
protected:
    // Scans Bytes with both searches under every option set and expects the
    // same traces; returns how many candidates the reference found.
    std::size_t ExpectSameTraces(const std::string& bytes, const std::vector<TRunOptions>& runs) {
        const std::string source = dir_ / "store.dbx";
        testing::WriteFileBytes(source, bytes);
        std::size_t candidates = 0;
        for (TRunOptions o : runs) {
            SCOPED_TRACE(::testing::Message() << "size " << bytes.size() << " mode " << o.Mode
                                              << " buffer "
                                              << o.BufferSize << " steps " << o.ProgressSteps << " stop at "
                                              << o.StopAtReport);
            o.Bulk = false;
            const auto reference = Trace(source, o);
            o.Bulk = true;
            const auto bulk = Trace(source, o);
            EXPECT_EQ(bulk, reference);
            candidates += CountResults(reference);
        }
        return candidates;
    }

    static std::vector<TRunOptions> AllModesAndWindows(std::vector<std::int32_t> steps = {35}) {
        std::vector<TRunOptions> runs;
        for (TScanMode mode : kModes) {
            for (std::int32_t buffer : {1024, 1500, 1501, 4099, 10 * 1024}) {
                for (std::int32_t s : steps) runs.push_back({mode, buffer, s});
            }
        }
        return runs;
    }

    TTempDir dir_;
};

TEST_F(ChainSearchEquivalence, RandomStoresThickWithCandidates) {
    std::size_t candidates = 0;
    std::uint64_t seed = 1;
    for (std::size_t size : {20000u, 33333u, 47001u}) {
        for (bool signedStore : {false, true}) {
            candidates += ExpectSameTraces(PlantedStore(++seed, size, signedStore), AllModesAndWindows({35, 3000}));
        }
    }
    EXPECT_GT(candidates, 1000u);  // the stores really exercise the hit paths
}

TEST_F(ChainSearchEquivalence, GeneratedStoresWithChainsAtEveryAlignment) {
    std::size_t candidates = 0;
    for (std::uint64_t seed = 1; seed <= 4; ++seed) {
        candidates += ExpectSameTraces(GeneratedStore(seed, seed % 2 == 0), AllModesAndWindows({35, 700}));
    }
    EXPECT_GT(candidates, 100u);
}

// The first refill comes where a word no longer fits in the first window;
// a candidate placed across that edge is read through the refill.
TEST_F(ChainSearchEquivalence, CandidatesAcrossTheFirstWindowEdge) {
    std::size_t candidates = 0;
    for (std::int32_t window : {1024, 1500, 1501, 1502, 1503}) {
        for (std::uint32_t back = 0; back <= 4; ++back) {
            for (bool selfWord : {false, true}) {
                std::string bytes(6000, '\0');
                const std::uint32_t at = static_cast<std::uint32_t>(window) - back;
                WriteLE32(reinterpret_cast<std::uint8_t*>(bytes.data() + at), selfWord ? at : kBlockDataSize);
                std::vector<TRunOptions> runs;
                for (TScanMode mode : kModes) runs.push_back({mode, window, 35});
                candidates += ExpectSameTraces(bytes, runs);
            }
        }
    }
    // Bottom mode finds all 25 size words; on the 4-byte grid only the 7
    // placements at a multiple of 4 are seen: size words in modes 0 and 1,
    // self words in Shallow mode.
    EXPECT_EQ(candidates, 25u + 7 * 2 + 7);
}

// Small stores make progress steps of 0 or a few bytes, so that nearly every
// position reports and long chains leave many reports to catch up on.
TEST_F(ChainSearchEquivalence, TinyFilesAndOddLengths) {
    std::uint64_t seed = 100;
    for (std::size_t size : {0u, 1u, 3u, 4u, 7u, 8u, 13u, 15u, 16u, 17u, 19u, 21u, 30u, 63u, 530u, 1027u, 1029u,
                             2051u}) {
        ExpectSameTraces(PlantedStore(++seed, size, false), AllModesAndWindows({35, 1, 5000}));
    }
}

TEST_F(ChainSearchEquivalence, StopRequestedFromAProgressReportEndsAtTheSamePlace) {
    const std::string bytes = GeneratedStore(7, false) + PlantedStore(8, 30000, false);
    std::vector<TRunOptions> runs;
    for (TScanMode mode : kModes) {
        for (int stopAt : {0, 1, 5, 20}) runs.push_back({mode, 4099, 35, true, stopAt});
    }
    ExpectSameTraces(bytes, runs);
}

// A stop that is already requested when the search begins ends it after
// one step, even where nothing would interrupt a bulk run.
TEST_F(ChainSearchEquivalence, StopRequestedBeforeTheSearchEndsItAfterOneStep) {
    std::string bytes(50000, '\0');
    WriteLE32(reinterpret_cast<std::uint8_t*>(bytes.data() + 20100), kBlockDataSize);
    const std::string source = dir_ / "store.dbx";
    testing::WriteFileBytes(source, bytes);
    for (TScanMode mode : kModes) {
        std::vector<std::uint64_t> seen[2];
        for (bool bulk : {false, true}) {
            // One report, at the first step, then none.
            tools::TScannerRig rig(source, mode, 10 * 1024, 1);
            rig.Window.Load(20000);
            auto& out = seen[bulk];
            out.push_back(bulk ? rig.Scanner.FindChain() : tervaline::engine::TChainScannerPeer::FindChainReference(rig.Scanner));
            rig.Stop.Request();
            out.push_back(bulk ? rig.Scanner.FindChain() : tervaline::engine::TChainScannerPeer::FindChainReference(rig.Scanner));
            out.push_back(rig.Window.Position());
        }
        const std::uint64_t stoppedAt = mode == TScanMode::Bottom ? 20097 : 20100;
        EXPECT_EQ(seen[0], (std::vector<std::uint64_t>{20100, 0, stoppedAt})) << mode;
        EXPECT_EQ(seen[1], seen[0]) << mode;
    }
}

// The vector searches against a plain word-by-word loop, for every start
// alignment and every count around the 64-byte rounds.
TEST(WordSearch, AgreesWithAPlainLoop) {
    std::mt19937_64 rng(42);
    std::vector<std::uint8_t> buf(400);
    for (int trial = 0; trial < 300; ++trial) {
        for (auto& b : buf) b = static_cast<std::uint8_t>(rng() % 3 == 0 ? rng() : 0);
        const int plants = static_cast<int>(rng() % 4);
        for (int i = 0; i < plants; ++i) {
            const std::size_t at = rng() % (buf.size() - 4);
            const auto kind = rng() % 3;
            WriteLE32(buf.data() + at, kind == 0   ? kBlockDataSize
                                       : kind == 1 ? 0x210
                                                   : 1000 + static_cast<std::uint32_t>(at));
        }
        const std::size_t start = rng() % 8;
        const std::uint8_t* p = buf.data() + start;
        for (std::size_t count = 0; count <= 90; ++count) {
            std::size_t any = count, header = count, grid = count, self = count;
            for (std::size_t i = count; i-- > 0;) {
                if (ReadLE32(p + i) == kBlockDataSize) any = i;
                if (ReadLE32(p + i) == kBlockDataSize || ReadLE32(p + i) == 0x210) header = i;
            }
            for (std::size_t k = count; k-- > 0;) {
                const std::uint32_t v = ReadLE32(p + 4 * k);
                if (v == kBlockDataSize) grid = k;
                if (v == kBlockDataSize || v == 1000 + start + 4 * k) self = k;
            }
            const auto offset = static_cast<std::uint32_t>(1000 + start);
            ASSERT_EQ(FindSizeWordAtAnyByte(p, count), any) << trial << ' ' << count;
            ASSERT_EQ(FindSizeWordAtAnyBytePortable(p, count), any) << trial << ' ' << count;
            ASSERT_EQ(FindHeaderWordAtAnyByte(p, count), header) << trial << ' ' << count;
            ASSERT_EQ(FindHeaderWordAtAnyBytePortable(p, count), header) << trial << ' ' << count;
            ASSERT_EQ(FindSizeWordOnGrid(p, count), grid) << trial << ' ' << count;
            ASSERT_EQ(FindSizeWordOnGridPortable(p, count), grid) << trial << ' ' << count;
            ASSERT_EQ(FindSelfOrSizeWordOnGrid(p, count, offset), self) << trial << ' ' << count;
            ASSERT_EQ(FindSelfOrSizeWordOnGridPortable(p, count, offset), self) << trial << ' ' << count;
        }
    }
}

// Folders are looked up once per scan; one that vanishes mid-scan must
// still be made again before the next message is written into it.
TEST(KnownFolders, FoldersRemovedDuringTheScanAreMadeAgain) {
    TTempDir dir;
    TStoreBuilder store(true);
    for (std::uint64_t i = 0; i < 6; ++i) store.AddMessage(tools::MakeMailText(i, 700, i % 2 == 0));
    testing::TScanSetup setup;
    setup.Source = dir / "store.dbx";
    setup.Output = dir / "out";
    store.WriteTo(setup.Source);
    std::vector<std::string> written;
    setup.OnFoundHook = [&](TDBXScanThread& scan, const TFoundMessage& found) {
        if (platform::FileExists(found.Path)) written.push_back(found.Path);
        std::filesystem::remove_all(scan.OutputDir());
    };
    const auto run = testing::RunScan(setup);
    EXPECT_EQ(run.Found.size(), 6u);
    EXPECT_EQ(run.Outcome.Unwritten, 0u) << run.Outcome.FirstUnwrittenReason;
    EXPECT_EQ(written.size(), 6u);
}

}  // namespace
}  // namespace tervaline::engine
