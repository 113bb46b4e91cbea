#include "regex/REPreProcessor.h"

#include <cstddef>

namespace tervaline::regex {

TREPreProcessor::TREPreProcessor(const std::string& pattern) : scanner_(pattern) {}

TREPreProcessor::~TREPreProcessor() = default;

void TREPreProcessor::SetText(const std::string& pattern) { scanner_.SetText(pattern); }

void TREPreProcessor::Run() {
    processedRegExpStr_ = scanner_.RegExpStr;
    if (useSynonymDic_) {
        Process(&TREPreProcessor::ReferSynonymDic);
        // The fuzzy pass must see the words the synonym pass wrote.
        scanner_.SetText(processedRegExpStr_);
    }
    if (useFuzzyCharDic_) Process(&TREPreProcessor::ReferFuzzyCharDic);
}

void TREPreProcessor::MakeTokenList() {
    std::int32_t start = scanner_.ScanPos;
    tokenList_.clear();
    while (scanner_.GetToken() != retk_End) {
        tokenList_.push_back({scanner_.Token, scanner_.CharBegin, scanner_.CharEnd, start, scanner_.ScanPos});
        start = scanner_.ScanPos;
    }
    tokenList_.push_back({retk_End, 0, 0, 0, 0});
}

std::string TREPreProcessor::SourceText(const TRETokenInfo& token) const {
    if (token.ToPos <= token.FromPos) return {};
    return scanner_.RegExpStr.substr(static_cast<std::size_t>(token.FromPos - 1),
                                     static_cast<std::size_t>(token.ToPos - token.FromPos));
}

void TREPreProcessor::Process(TLookup lookup) {
    processedRegExpStr_.clear();
    MakeTokenList();
    const auto count = static_cast<std::int32_t>(tokenList_.size());
    bool inClass = false;
    std::int32_t i = 0;
    while (i < count) {
        const TRETokenInfo& t = tokenList_[static_cast<std::size_t>(i)];
        if (t.Token == retk_LBra || t.Token == retk_LBraNeg) inClass = true;
        if (t.Token == retk_RBra) inClass = false;
        if (t.Token != retk_Char || inClass) {
            processedRegExpStr_ += SourceText(t);
            ++i;
            continue;
        }
        std::int32_t j = i;
        while (j < count && tokenList_[static_cast<std::size_t>(j)].Token == retk_Char) ++j;
        while (i < j) {
            const std::int32_t r = (this->*lookup)(i, j);
            if (r == -1) {
                processedRegExpStr_ += SourceText(tokenList_[static_cast<std::size_t>(i)]);
                ++i;
            } else {
                processedRegExpStr_ += replaceStr_;
                i = r;
            }
        }
        i = j;
    }
}

std::int32_t TREPreProcessor::ReferList(const TDictionaryList& list, std::int32_t i, std::int32_t j) {
    for (const TDictionary* dictionary : list) {
        const std::int32_t r = ReferDic(*dictionary, i, j);
        if (r != -1) return r;
    }
    return -1;
}

std::int32_t TREPreProcessor::ReferFuzzyCharDic(std::int32_t i, std::int32_t j) {
    return ReferList(fuzzyCharDic_, i, j);
}

std::int32_t TREPreProcessor::ReferSynonymDic(std::int32_t i, std::int32_t j) {
    return ReferList(synonymDic_, i, j);
}

std::int32_t TREPreProcessor::ReferDic(const TDictionary& dictionary, std::int32_t i, std::int32_t j) {
    // First group, then first member, wins; no longest match is sought, so
    // the table's order is what resolves overlapping spellings.
    for (const TDictionaryGroup& group : dictionary) {
        for (const std::string& member : group) {
            const std::int32_t e = MatchMember(member, i, j);
            if (e == -1) continue;
            std::string alternation = "(";
            for (std::size_t m = 0; m < group.size(); ++m) {
                if (m > 0) alternation += '|';
                alternation += QuoteMetaChars(group[m]);
            }
            alternation += ')';
            replaceStr_ = std::move(alternation);
            return e;
        }
    }
    return -1;
}

std::int32_t TREPreProcessor::MatchMember(const std::string& member, std::int32_t i, std::int32_t j) const {
    if (member.empty()) return -1;
    std::int32_t position = 1;
    std::int32_t k = i;
    const auto length = static_cast<std::int32_t>(member.size());
    while (position <= length) {
        const TREChar c = GetREChar(member, position);
        if (k == j) return -1;
        if (c != tokenList_[static_cast<std::size_t>(k)].CharBegin) return -1;
        ++k;
    }
    return k;
}

std::string QuoteMetaChars(const std::string& text) {
    std::string quoted;
    std::int32_t position = 1;
    const auto length = static_cast<std::int32_t>(text.size());
    while (position <= length) {
        const TREChar c = GetREChar(text, position);
        switch (c) {
            case '^': case '(': case '|': case ')': case '+': case '*':
            case '?': case '.': case '[': case ']': case '$': case '\\':
                quoted += '\\';
                break;
            default:
                break;
        }
        quoted += RECharToStr(c);
    }
    return quoted;
}

}  // namespace tervaline::regex
