// Parses one pattern text into a TREParseTree: alternation, concatenation,
// one postfix operator per operand, groups, classes, negated classes, '.'
// and the anchors. Syntax errors raise ERegExpParser with the scanner's
// position; a failed parse leaves nothing behind but the parser's own tree.
#pragma once

#include <memory>
#include <string>

#include "regex/REParseTree.h"
#include "regex/REScanner.h"

namespace tervaline::regex {

class TREParser {
public:
    // Tree, when given, is the (empty) tree to build into; a descendant
    // tree changes what '.' and negated classes cover.
    explicit TREParser(const std::string& pattern, std::unique_ptr<TREParseTree> tree = nullptr);
    ~TREParser();
    TREParser(const TREParser&) = delete;
    TREParser& operator=(const TREParser&) = delete;

    // Parses the whole pattern; the leaves of the result are disjoint.
    void Run();

    const TREParseTree& ParseTree() const { return *parseTree_; }

private:
    TREParseNode* RegExpr();
    TREParseNode* Term();
    TREParseNode* Factor();
    TREParseNode* Primary();
    TREParseNode* CharClass(TREParseTree& tree);
    TREParseNode* NegCharClass();
    TREParseNode* ClassItem(TREParseTree& tree);
    static void SubtractRange(const TREParseNode& leaf, TREParseTree& universe);

    TRETokenKind Advance() { return scanner_->GetToken(); }
    [[noreturn]] void Raise(const char* message) const;

    std::unique_ptr<TREParseTree> parseTree_;
    std::unique_ptr<TREScanner> scanner_;
};

}  // namespace tervaline::regex
