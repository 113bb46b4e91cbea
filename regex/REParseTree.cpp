#include "regex/REParseTree.h"

#include <algorithm>
#include <stdexcept>

namespace tervaline::regex {

TREParseTree::~TREParseTree() { ClearNodes(); }

std::unique_ptr<TREParseTree> TREParseTree::NewEmptyTree() const { return std::make_unique<TREParseTree>(); }

TREParseNode* TREParseTree::MakeInternalNode(TREOperation kind, TREParseNode* left, TREParseNode* right) {
    auto node = std::make_unique<TREParseNode>();
    node->Kind = kind;
    node->Left = left;
    node->Right = right;
    nodeList_.push_back(std::move(node));
    return nodeList_.back().get();
}

TREParseNode* TREParseTree::MakeLeaf(TREChar charBegin, TREChar charEnd) {
    for (const auto& leaf : leafList_) {
        if (leaf->CharBegin == charBegin && leaf->CharEnd == charEnd) return leaf.get();
    }
    auto leaf = std::make_unique<TREParseNode>();
    leaf->Kind = reop_CharRange;
    leaf->CharBegin = charBegin;
    leaf->CharEnd = charEnd;
    leafList_.push_back(std::move(leaf));
    return leafList_.back().get();
}

TREParseNode* TREParseTree::MakeValidLeaf(std::int32_t charBegin, std::int32_t charEnd) {
    if (charBegin < 0 || charEnd > 0xFFFF || charEnd < charBegin) return nullptr;
    return MakeLeaf(static_cast<TREChar>(charBegin), static_cast<TREChar>(charEnd));
}

TREParseNode* TREParseTree::MakeLHeadNode(TREChar code) {
    TREParseNode* node = MakeInternalNode(reop_LineHead, nullptr, nullptr);
    node->CharBegin = node->CharEnd = code;
    return node;
}

TREParseNode* TREParseTree::MakeLTailNode(TREChar code) {
    TREParseNode* node = MakeInternalNode(reop_LineTail, nullptr, nullptr);
    node->CharBegin = node->CharEnd = code;
    return node;
}

TREParseNode* TREParseTree::MakeAnyCharsNode() {
    TREParseNode* crLf = MakeLeaf(11, 12);
    TREParseNode* low = MakeLeaf(1, 9);
    TREParseNode* u = MakeInternalNode(reop_Union, low, crLf);
    TREParseNode* high = MakeLeaf(14, 0xFCFC);
    return MakeInternalNode(reop_Union, u, high);
}

void TREParseTree::LeafToUnion(TREParseNode* leaf, TREParseNode* left, TREParseNode* right) {
    if (left == nullptr || right == nullptr) throw std::logic_error("TREParseTree : 致命的エラー");
    auto it = std::find_if(leafList_.begin(), leafList_.end(), [leaf](const auto& p) { return p.get() == leaf; });
    if (it == leafList_.end()) throw std::logic_error("TREParseTree : 致命的エラー");
    nodeList_.reserve(nodeList_.size() + 1);  // the move below must not fail halfway
    leaf->Kind = reop_Union;
    leaf->Left = left;
    leaf->Right = right;
    nodeList_.push_back(std::move(*it));
    leafList_.erase(it);
}

bool TREParseTree::SplitLeafPair(TREParseNode* leaf1, TREParseNode* leaf2) {
    TREParseNode* a = leaf1;
    TREParseNode* b = leaf2;
    if (b->CharBegin < a->CharBegin) std::swap(a, b);
    if (b->CharBegin > a->CharEnd) return false;
    if (a->CharBegin == b->CharBegin && a->CharEnd == b->CharEnd) return false;

    const std::int32_t e1 = std::min(a->CharEnd, b->CharEnd);
    const std::int32_t e2 = std::max(a->CharEnd, b->CharEnd);
    TREParseNode* r = MakeValidLeaf(a->CharBegin, b->CharBegin - 1);
    TREParseNode* s = MakeValidLeaf(b->CharBegin, e1);
    TREParseNode* t = MakeValidLeaf(e1 + 1, e2);

    if (r == nullptr) {
        // Equal starts: s is the shorter leaf itself.
        TREParseNode* longer = (a->CharEnd > b->CharEnd) ? a : b;
        LeafToUnion(longer, s, t);
    } else if (t == nullptr) {
        LeafToUnion(a, r, s);  // equal ends: s is b
    } else if (a->CharEnd > b->CharEnd) {
        LeafToUnion(a, MakeInternalNode(reop_Union, r, s), t);  // a contains b
    } else {
        LeafToUnion(a, r, s);
        LeafToUnion(b, s, t);
    }
    return true;
}

void TREParseTree::MakeLeavesDisjoint() {
    std::size_t i = 0;
    while (i < leafList_.size()) {
        bool changed = false;
        for (std::size_t k = i + 1; k < leafList_.size(); ++k) {
            if (SplitLeafPair(leafList_[k].get(), leafList_[i].get())) {
                changed = true;
                break;
            }
        }
        if (!changed) ++i;
    }
}

void TREParseTree::ClearNodes() {
    nodeList_.clear();
    leafList_.clear();
    rootNode_ = nullptr;
}

void TREParseTree::DeleteLeaf(std::size_t index) { leafList_.erase(leafList_.begin() + static_cast<std::ptrdiff_t>(index)); }

}  // namespace tervaline::regex
