#include "regex/RegularExpression.h"

#include <stdexcept>
#include <utility>

#include "regex/REParser.h"
#include "regex/RE_NFA.h"

namespace tervaline::regex {

TRegularExpression::TRegularExpression(platform::TComponent* owner)
    : platform::TComponent(owner), fPreProcessor_(std::make_unique<TREPreProcessor>("")) {
    fDFACache_.push_back({"", nullptr});
    fDFAIndex_ = 0;
    // Not dispatched to overrides: a descendant is not constructed yet.
    CompileRegExp(fDFACache_[0].key);
}

// The preprocessor goes first, then the cache with its automata.
TRegularExpression::~TRegularExpression() {
    fPreProcessor_.reset();
    fDFACache_.clear();
}

void TRegularExpression::SetRegExp(const std::string& value) {
    const std::string kept = value;  // Value may alias fRegExp_.
    fPreProcessor_->SetText(kept);
    fPreProcessor_->Run();
    const std::string key = fPreProcessor_->ProcessedRegExpStr();
    try {
        fDFAIndex_ = FindCachedDFA(key);
        if (fDFAIndex_ == -1) {
            // First in, first out: a hit never moves its entry, so the last
            // entry is always the oldest compilation.
            if (static_cast<std::int32_t>(fDFACache_.size()) >= fDFACacheSize_) fDFACache_.pop_back();
            fDFACache_.insert(fDFACache_.begin() + 1, TCacheEntry{key, nullptr});
            fDFAIndex_ = 1;
            CompileRegExp(fDFACache_[1].key);
        }
        fRegExp_ = kept;
    } catch (...) {
        fDFAIndex_ = 0;
        fRegExp_.clear();
        throw;
    }
}

void TRegularExpression::CompileRegExp(const std::string& pattern) {
    const std::string text = pattern;  // The entry holding Pattern may be erased below.
    const auto index = static_cast<std::size_t>(fDFAIndex_);
    try {
        TREParser parser(text);
        parser.Run();
        TRE_NFA nfa(parser, LineHeadCode(), LineTailCode());
        nfa.BuildNFA();
        fDFACache_.at(index).dfa = std::make_unique<TRE_DFA>(nfa);
        fDFACache_[index].dfa->BuildDFA();
    } catch (...) {
        if (index < fDFACache_.size()) fDFACache_.erase(fDFACache_.begin() + static_cast<std::ptrdiff_t>(index));
        fDFAIndex_ = 0;
        throw;
    }
}

TREChar TRegularExpression::LineHeadCode() const { return kLineHeadCode; }

TREChar TRegularExpression::LineTailCode() const { return kLineTailCode; }

const TRE_DFA& TRegularExpression::CurrentDFA() const {
    return *fDFACache_.at(static_cast<std::size_t>(fDFAIndex_)).dfa;
}

bool TRegularExpression::HasLineHead() const { return CurrentDFA().LineHeadUsed(); }

bool TRegularExpression::HasLineTail() const { return CurrentDFA().LineTailUsed(); }

std::int32_t TRegularExpression::FindCachedDFA(const std::string& text) const {
    for (std::size_t i = 0; i < fDFACache_.size(); ++i) {
        if (fDFACache_[i].key == text) return static_cast<std::int32_t>(i);
    }
    return -1;
}

const std::string& TRegularExpression::DFACacheKey(std::int32_t index) const {
    return fDFACache_.at(static_cast<std::size_t>(index)).key;
}

void TRegularExpression::SetUseFuzzyCharDic(bool value) {
    fPreProcessor_->SetUseFuzzyCharDic(value);
    SetRegExp(fRegExp_);
}

void TRegularExpression::SetUseSynonymDic(bool value) {
    fPreProcessor_->SetUseSynonymDic(value);
    SetRegExp(fRegExp_);
}

}  // namespace tervaline::regex
