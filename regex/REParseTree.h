// The parse tree of one pattern: a shared, acyclic graph of nodes whose
// leaves are ranges of character codes. The tree owns every node in one of
// its two lists; after MakeLeavesDisjoint no two leaves overlap, so the
// automaton builder can use each leaf's range as one transition label.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "regex/REChar.h"

namespace tervaline::regex {

enum TREOperation : std::uint8_t {
    reop_CharRange = 0,  // leaf: one character in CharBegin..CharEnd
    reop_LineHead = 1,   // ^ (CharBegin = CharEnd = its code)
    reop_LineTail = 2,   // $ (CharBegin = CharEnd = its code)
    reop_Concat = 3,     // Left then Right
    reop_Union = 4,      // Left or Right
    reop_Closure = 5,    // Left repeated zero or more times
    reop_Empty = 6,      // the empty string
};

// A leaf uses CharBegin/CharEnd, an inner node Left/Right. They are kept
// apart rather than overlaid; a leaf rewritten into a union keeps its
// address, so every reference to it reaches the union.
struct TREParseNode {
    TREOperation Kind = reop_Empty;
    TREChar CharBegin = 0;
    TREChar CharEnd = 0;
    TREParseNode* Left = nullptr;
    TREParseNode* Right = nullptr;
};

class TREParseTree {
public:
    using NodeList = std::vector<std::unique_ptr<TREParseNode>>;

    TREParseTree() = default;
    virtual ~TREParseTree();
    TREParseTree(const TREParseTree&) = delete;
    TREParseTree& operator=(const TREParseTree&) = delete;

    // An empty tree of the same kind as this one. Negated classes take their
    // universe from such a tree, so a descendant that replaces
    // MakeAnyCharsNode must replace this too.
    virtual std::unique_ptr<TREParseTree> NewEmptyTree() const;

    TREParseNode* MakeInternalNode(TREOperation kind, TREParseNode* left, TREParseNode* right);
    // The leaf with exactly this range: the existing one, or a new one.
    TREParseNode* MakeLeaf(TREChar charBegin, TREChar charEnd);
    // Null when the range is empty or either end lies outside 0..0xFFFF.
    // The ends are wide so that code - 1 at 0 and code + 1 at 0xFFFF do not
    // wrap into a valid-looking range.
    TREParseNode* MakeValidLeaf(std::int32_t charBegin, std::int32_t charEnd);
    TREParseNode* MakeLHeadNode(TREChar code);
    TREParseNode* MakeLTailNode(TREChar code);
    // The node for '.': every code 1..0xFCFC except line feed and carriage
    // return. Also the universe of negated classes.
    virtual TREParseNode* MakeAnyCharsNode();

    // Rewrites a leaf in place into Union(left, right) and moves it from the
    // leaf list to the node list. Raises std::logic_error for a missing operand.
    void LeafToUnion(TREParseNode* leaf, TREParseNode* left, TREParseNode* right);
    // Splits two overlapping leaves; true when it changed anything.
    bool SplitLeafPair(TREParseNode* leaf1, TREParseNode* leaf2);
    void MakeLeavesDisjoint();
    // Frees every node and leaf.
    void ClearNodes();

    // Removes a leaf from the leaf list and frees it (used while a negated
    // class is carved out of its universe; nothing may refer to the leaf).
    void DeleteLeaf(std::size_t index);

    TREParseNode* RootNode() const { return rootNode_; }
    void SetRootNode(TREParseNode* node) { rootNode_ = node; }
    const NodeList& Nodes() const { return nodeList_; }
    const NodeList& Leaves() const { return leafList_; }

private:
    TREParseNode* rootNode_ = nullptr;
    NodeList nodeList_;  // kinds 1-6, and leaves turned into unions
    NodeList leafList_;  // reop_CharRange leaves, in creation order
};

}  // namespace tervaline::regex
