// The regular expression engine: patterns over 8-bit text with double-byte
// characters, compiled to a complete DFA; matches are leftmost, then longest.
#pragma once

#include "regex/AWKStr.h"
#include "regex/ERegExpParser.h"
#include "regex/FuzzyCharDic.h"
#include "regex/REChar.h"
#include "regex/REMatcher.h"
#include "regex/REParseTree.h"
#include "regex/REParser.h"
#include "regex/REPreProcessor.h"
#include "regex/REScanner.h"
#include "regex/RE_DFA.h"
#include "regex/RE_NFA.h"
#include "regex/RE_NFAStateSet.h"
#include "regex/RegularExpression.h"
