#include "engine/records/StoreHeader.h"

#include "engine/BlockLayout.h"

namespace tervaline::engine {

namespace {

constexpr std::uint32_t kFolderListWord2 = 0x6F74FDC6;

}  // namespace

std::optional<TStoreHeader> ReadStoreHeader(const std::uint8_t* bytes, std::size_t available) {
    if (available < TStoreHeader::kFieldsSize || ReadLE32(bytes) != kSignatureWord1) return std::nullopt;
    TStoreHeader h;
    const std::uint32_t kind = ReadLE32(bytes + 4);
    if (kind == kSignatureWord2) {
        h.Kind = TStoreKind::Messages;
    } else if (kind == kFolderListWord2) {
        h.Kind = TStoreKind::Folders;
    } else {
        return std::nullopt;
    }
    h.ObjectStart = ReadLE32(bytes + 0x24);
    h.DeletedBlocks = ReadLE32(bytes + 0x48);
    h.DeletedNodes = ReadLE32(bytes + 0x4C);
    h.InUse = ReadLE32(bytes + 0x7C);
    h.ItemCount = ReadLE32(bytes + 0xC4);
    h.RootNode = ReadLE32(bytes + 0xE4);
    return h;
}

}  // namespace tervaline::engine
