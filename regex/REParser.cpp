#include "regex/REParser.h"

#include "regex/ERegExpParser.h"

namespace tervaline::regex {

TREParser::TREParser(const std::string& pattern, std::unique_ptr<TREParseTree> tree)
    : parseTree_(tree ? std::move(tree) : std::make_unique<TREParseTree>()),
      scanner_(std::make_unique<TREScanner>(pattern)) {}

TREParser::~TREParser() {
    scanner_.reset();
    parseTree_.reset();
}

void TREParser::Raise(const char* message) const {
    RaiseRegExpParser(message, scanner_->ScanPos);
}

void TREParser::Run() {
    parseTree_->ClearNodes();
    try {
        Advance();
        parseTree_->SetRootNode(RegExpr());
        if (scanner_->Token != retk_End) Raise(kMsgExtraChars);
        parseTree_->MakeLeavesDisjoint();
    } catch (...) {
        // A half-built tree is of no use to anyone.
        parseTree_->ClearNodes();
        throw;
    }
}

TREParseNode* TREParser::RegExpr() {
    TREParseNode* n = Term();
    while (scanner_->Token == retk_Union) {
        Advance();
        TREParseNode* right = Term();
        n = parseTree_->MakeInternalNode(reop_Union, n, right);
    }
    return n;
}

TREParseNode* TREParser::Term() {
    auto endsTerm = [this] {
        const TRETokenKind t = scanner_->Token;
        return t == retk_Union || t == retk_RPar || t == retk_End;
    };
    if (endsTerm()) return parseTree_->MakeInternalNode(reop_Empty, nullptr, nullptr);
    TREParseNode* n = Factor();
    while (!endsTerm()) {
        TREParseNode* right = Factor();
        n = parseTree_->MakeInternalNode(reop_Concat, n, right);
    }
    return n;
}

TREParseNode* TREParser::Factor() {
    TREParseNode* p = Primary();
    switch (scanner_->Token) {
        case retk_Star:
            p = parseTree_->MakeInternalNode(reop_Closure, p, nullptr);
            Advance();
            break;
        case retk_Plus: {
            TREParseNode* c = parseTree_->MakeInternalNode(reop_Closure, p, nullptr);
            p = parseTree_->MakeInternalNode(reop_Concat, p, c);
            Advance();
            break;
        }
        case retk_QMark: {
            TREParseNode* e = parseTree_->MakeInternalNode(reop_Empty, nullptr, nullptr);
            p = parseTree_->MakeInternalNode(reop_Union, p, e);
            Advance();
            break;
        }
        default: break;
    }
    return p;
}

TREParseNode* TREParser::Primary() {
    TREParseNode* n = nullptr;
    switch (scanner_->Token) {
        case retk_Char:
            n = parseTree_->MakeLeaf(scanner_->CharBegin, scanner_->CharBegin);
            Advance();
            return n;
        case retk_LPar:
            Advance();
            n = RegExpr();
            if (scanner_->Token != retk_RPar) Raise(kMsgNeedRightParen);
            Advance();
            return n;
        case retk_LBra:
        case retk_LBraNeg:
            n = scanner_->Token == retk_LBra ? CharClass(*parseTree_) : NegCharClass();
            if (scanner_->Token != retk_RBra) Raise(kMsgNeedRightBracket);
            Advance();
            return n;
        case retk_Dot:
            n = parseTree_->MakeAnyCharsNode();
            Advance();
            return n;
        case retk_LHead:
            n = parseTree_->MakeLHeadNode(scanner_->CharBegin);
            Advance();
            return n;
        case retk_LTail:
            n = parseTree_->MakeLTailNode(scanner_->CharBegin);
            Advance();
            return n;
        default: Raise(kMsgNeedCharOrLeftParen);
    }
}

TREParseNode* TREParser::CharClass(TREParseTree& tree) {
    if (Advance() == retk_RBra) Raise(kMsgBadCharClass);
    TREParseNode* n = ClassItem(tree);
    while (Advance() != retk_RBra) {
        TREParseNode* item = ClassItem(tree);
        n = tree.MakeInternalNode(reop_Union, n, item);
    }
    return n;
}

TREParseNode* TREParser::ClassItem(TREParseTree& tree) {
    if (scanner_->Token == retk_CharRange) return tree.MakeLeaf(scanner_->CharBegin, scanner_->CharEnd);
    return tree.MakeLeaf(scanner_->CharBegin, scanner_->CharBegin);
}

TREParseNode* TREParser::NegCharClass() {
    // Both temporaries are freed on every path out, errors included.
    std::unique_ptr<TREParseTree> members = parseTree_->NewEmptyTree();
    std::unique_ptr<TREParseTree> universe = parseTree_->NewEmptyTree();
    members->SetRootNode(CharClass(*members));
    members->MakeLeavesDisjoint();
    universe->MakeAnyCharsNode();
    for (const auto& leaf : members->Leaves()) SubtractRange(*leaf, *universe);

    // The members cover everything a negated class can match. The tree has
    // no node that matches nothing, and handing on a missing node would
    // break the automaton builder, so such a class is rejected like an
    // empty one.
    if (universe->Leaves().empty()) Raise(kMsgBadCharClass);

    TREParseNode* n = nullptr;
    for (const auto& leaf : universe->Leaves()) {
        TREParseNode* copy = parseTree_->MakeLeaf(leaf->CharBegin, leaf->CharEnd);
        n = n == nullptr ? copy : parseTree_->MakeInternalNode(reop_Union, n, copy);
    }
    return n;
}

void TREParser::SubtractRange(const TREParseNode& leaf, TREParseTree& universe) {
    std::size_t i = 0;
    while (i < universe.Leaves().size()) {
        const TREParseNode& q = *universe.Leaves()[i];
        if (leaf.CharEnd < q.CharBegin || q.CharEnd < leaf.CharBegin) {
            ++i;
            continue;
        }
        const std::int32_t qBegin = q.CharBegin;
        const std::int32_t qEnd = q.CharEnd;
        universe.MakeValidLeaf(qBegin, leaf.CharBegin - 1);
        universe.MakeValidLeaf(leaf.CharEnd + 1, qEnd);
        universe.DeleteLeaf(i);
    }
}

}  // namespace tervaline::regex
