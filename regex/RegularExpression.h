// TRegularExpression: turns a pattern into a compiled automaton and keeps the
// last 30 compiled automata, keyed by preprocessed pattern text, so that an
// object switching among a few patterns compiles each of them only once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "regex/REChar.h"
#include "regex/REPreProcessor.h"
#include "regex/RE_DFA.h"

namespace tervaline::regex {

class TRegularExpression : public platform::TComponent {
public:
    // Entry 0 of the cache, the empty pattern, is made here and never evicted.
    explicit TRegularExpression(platform::TComponent* owner);
    ~TRegularExpression() override;

    const std::string& RegExp() const { return fRegExp_; }
    // A preprocessing failure leaves everything as it was; any later failure
    // leaves the empty pattern current and RegExp empty, and propagates.
    virtual void SetRegExp(const std::string& value);

    virtual TREChar LineHeadCode() const;
    virtual TREChar LineTailCode() const;

    const TRE_DFA& CurrentDFA() const;
    bool HasLineHead() const;
    bool HasLineTail() const;

    // The preprocessor's fuzzy-character dictionaries; a subclass adds its own.
    TDictionaryList& FuzzyCharDicList() { return fPreProcessor_->FuzzyCharDic(); }

    // Index of the first cache entry whose key equals Text, or -1.
    std::int32_t FindCachedDFA(const std::string& text) const;

    // Read access to the cache, newest pattern at index 1, oldest last.
    std::int32_t DFACacheCount() const { return static_cast<std::int32_t>(fDFACache_.size()); }
    const std::string& DFACacheKey(std::int32_t index) const;
    std::int32_t DFACacheSize() const { return fDFACacheSize_; }
    std::int32_t DFAIndex() const { return fDFAIndex_; }

    bool UseFuzzyCharDic() const { return fPreProcessor_->UseFuzzyCharDic(); }
    // The flag stays set even when recompiling under it fails.
    void SetUseFuzzyCharDic(bool value);
    bool UseSynonymDic() const { return fPreProcessor_->UseSynonymDic(); }
    void SetUseSynonymDic(bool value);

protected:
    // Compiles one preprocessed pattern into the current cache entry. On
    // failure the entry is removed, entry 0 becomes current, and the error
    // propagates. Virtual so that a descendant may observe or replace it.
    virtual void CompileRegExp(const std::string& pattern);

private:
    struct TCacheEntry {
        std::string key;
        std::unique_ptr<TRE_DFA> dfa;
    };

    std::string fRegExp_;
    std::vector<TCacheEntry> fDFACache_;
    std::int32_t fDFACacheSize_ = 30;
    std::int32_t fDFAIndex_ = 0;
    std::unique_ptr<TREPreProcessor> fPreProcessor_;
};

}  // namespace tervaline::regex
