// TREPreProcessor: rewrites a pattern before it is compiled so that each plain
// character (or word) found in a dictionary also matches its equivalents,
// by replacing it with an alternation of its dictionary group.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "regex/FuzzyCharDic.h"
#include "regex/REChar.h"
#include "regex/REScanner.h"

namespace tervaline::regex {

// One token of a preprocessing pass; its source text is the ToPos - FromPos
// bytes of the scanned text from the 1-based FromPos.
struct TRETokenInfo {
    TRETokenKind Token;
    TREChar CharBegin;
    TREChar CharEnd;
    std::int32_t FromPos;
    std::int32_t ToPos;
};

// Dictionaries are referenced, not owned: whoever registers one keeps it
// alive for the preprocessor's lifetime.
using TDictionaryList = std::vector<const TDictionary*>;

class TREPreProcessor {
public:
    explicit TREPreProcessor(const std::string& pattern);
    virtual ~TREPreProcessor();

    TREPreProcessor(const TREPreProcessor&) = delete;
    TREPreProcessor& operator=(const TREPreProcessor&) = delete;

    // Must precede every Run: each pass reads from the scanner's position.
    void SetText(const std::string& pattern);

    // Rewrites the scanner's text into ProcessedRegExpStr with the enabled
    // dictionaries; scanner errors propagate and leave the result partial.
    void Run();

    const std::string& ProcessedRegExpStr() const { return processedRegExpStr_; }

    bool UseFuzzyCharDic() const { return useFuzzyCharDic_; }
    void SetUseFuzzyCharDic(bool value) { useFuzzyCharDic_ = value; }
    bool UseSynonymDic() const { return useSynonymDic_; }
    void SetUseSynonymDic(bool value) { useSynonymDic_ = value; }

    TDictionaryList& SynonymDic() { return synonymDic_; }
    TDictionaryList& FuzzyCharDic() { return fuzzyCharDic_; }

    // The records of the last pass, ending with one retk_End record.
    const std::vector<TRETokenInfo>& TokenList() const { return tokenList_; }

protected:
    // A lookup answers the index of the first record after the characters
    // it consumed from the run i..j-1, with ReplaceStr set, or -1.
    using TLookup = std::int32_t (TREPreProcessor::*)(std::int32_t i, std::int32_t j);

    void MakeTokenList();
    void Process(TLookup lookup);
    std::int32_t ReferFuzzyCharDic(std::int32_t i, std::int32_t j);
    std::int32_t ReferSynonymDic(std::int32_t i, std::int32_t j);
    std::int32_t ReferDic(const TDictionary& dictionary, std::int32_t i, std::int32_t j);
    std::int32_t MatchMember(const std::string& member, std::int32_t i, std::int32_t j) const;

private:
    std::int32_t ReferList(const TDictionaryList& list, std::int32_t i, std::int32_t j);
    std::string SourceText(const TRETokenInfo& token) const;

    TREScanner scanner_;
    std::string processedRegExpStr_;
    TDictionaryList synonymDic_;
    TDictionaryList fuzzyCharDic_;
    std::vector<TRETokenInfo> tokenList_;
    std::string replaceStr_;
    bool useFuzzyCharDic_ = false;
    bool useSynonymDic_ = false;
};

// The text with a backslash before each of ^ ( | ) + * ? . [ ] $ and the
// backslash itself; the hyphen is left alone.
std::string QuoteMetaChars(const std::string& text);

}  // namespace tervaline::regex
