// TFoundBy: how a scan came by a message it wrote, for the report and the
// receivers of its events: through the store's own record of it (reached
// through the tree, or found by the mark the record leaves) and its chain,
// through its chain alone, or undeleted from free blocks.
#pragma once

namespace tervaline::engine {

enum class TFoundBy { ChainOnly, RecordFromTree, RecordFromMark, Deleted };

// How the report names it.
constexpr const char* FoundByName(TFoundBy by) {
    switch (by) {
        case TFoundBy::RecordFromTree:
            return "record and chain (tree)";
        case TFoundBy::RecordFromMark:
            return "record and chain (mark)";
        case TFoundBy::Deleted:
            return "deleted";
        case TFoundBy::ChainOnly:
            break;
    }
    return "chain only";
}

// A record whose chain could not be read, as the report names it.
inline constexpr const char* kListedNotRecovered = "listed, not recovered";

}  // namespace tervaline::engine
