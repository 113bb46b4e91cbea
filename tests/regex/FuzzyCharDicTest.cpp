#include "regex/FuzzyCharDic.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace tervaline::regex {
namespace {

struct TCommaCase {
    const char* text;
    std::vector<std::string> items;
};

TEST(ReadCommaText, SplitsQuotesAndTrims) {
    const TCommaCase cases[] = {
        {"", {}},
        {"   ", {}},
        {"a,b", {"a", "b"}},
        {"  a ,\tb  ", {"a", "b"}},
        {"a b", {"a", "b"}},
        {"a,,b", {"a", "", "b"}},
        {"a,", {"a", ""}},
        {"a, ", {"a"}},
        {"\" \",x", {" ", "x"}},
        {"\"x,y\",z", {"x,y", "z"}},
        {"\"a\"\"b\"", {"a\"b"}},
        {"\"\"\"\"", {"\""}},
        {"\"open", {"open"}},
    };
    for (const TCommaCase& c : cases) {
        EXPECT_EQ(ReadCommaText(c.text), c.items) << "text: [" << c.text << "]";
    }
}

// Cuts code page 932 bytes into character codes without the platform, so the
// check does not depend on the active code page.
std::vector<std::uint16_t> Cp932Codes(const std::string& member) {
    std::vector<std::uint16_t> codes;
    for (std::size_t i = 0; i < member.size(); ++i) {
        const auto b = static_cast<unsigned char>(member[i]);
        if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < member.size()) {
            codes.push_back(static_cast<std::uint16_t>(b * 256 + static_cast<unsigned char>(member[i + 1])));
            ++i;
        } else {
            codes.push_back(b);
        }
    }
    return codes;
}

std::string Describe(const TDictionaryGroup& group) {
    std::string out;
    for (const std::string& member : group) {
        if (!out.empty()) out += ' ';
        const auto codes = Cp932Codes(member);
        if (codes.empty()) out += '-';
        for (std::size_t i = 0; i < codes.size(); ++i) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%s%x", i ? "+" : "", codes[i]);
            out += hex;
        }
    }
    return out;
}

// Groups 26 on: members separated by spaces, the characters of a member by
// '+', an empty member written as '-'.
const char* const kExpectedFrom26[] = {
        "30 824f 97eb",  // 26
        "31 8250 88ea 8740 8754 88eb",  // 27
        "32 8251 93f1 8741 8755 93f3",  // 28
        "33 8252 8e4f 8742 8756 8e51",  // 29
        "34 8253 8e6c 8743 8757",  // 30
        "35 8254 8cdc 8744 8758 8cde",  // 31
        "36 8255 985a 8745 8759",  // 32
        "37 8256 8eb5 8746 875a",  // 33
        "38 8257 94aa 8747 875b",  // 34
        "39 8258 8be3 8748 875c",  // 35
        "8140 20",  // 36
        "21 8149",  // 37
        "22 8168",  // 38
        "23 8194",  // 39
        "24 8190",  // 40
        "25 8193",  // 41
        "26 8195",  // 42
        "27 8166",  // 43
        "28 8169",  // 44
        "29 816a",  // 45
        "2a 8196",  // 46
        "2b 817b",  // 47
        "815b 8160 b0 -",  // 48
        "2d 815b 817c 8160 b0",  // 49
        "a5 8145",  // 50
        "2f 815e",  // 51
        "3a 8146",  // 52
        "3b 8147",  // 53
        "3c 8183",  // 54
        "3d 8181",  // 55
        "3e 8184",  // 56
        "3f 8148",  // 57
        "40 8197",  // 58
        "5b 816d 816b",  // 59
        "5c 818f",  // 60
        "5d 816e 816c",  // 61
        "5e 814f",  // 62
        "5f 8151",  // 63
        "7b 816f",  // 64
        "7c 8162",  // 65
        "7d 8170",  // 66
        "7e 8150",  // 67
        "2c a4 8141 8143",  // 68
        "a1 2e 8142 8144",  // 69
        "8175 8177 a2",  // 70
        "8176 8178 a3",  // 71
        "82f1 8393 dd",  // 72
        "82aa 834b b6+de 82a9+814a 834a+814a",  // 73
        "82ac 834d b7+de 82ab+814a 834c+814a",  // 74
        "82ae 834f b8+de 82ad+814a 834e+814a",  // 75
        "82b0 8351 b9+de 82af+814a 8350+814a",  // 76
        "82b2 8353 ba+de 82b1+814a 8352+814a",  // 77
        "82b4 8355 bb+de 82b3+814a 8354+814a",  // 78
        "82b6 8357 bc+de 82b5+814a 8356+814a 82c0 8361 c1+de 82bf+814a 8360+814a",  // 79
        "82b8 8359 bd+de 82b7+814a 8358+814a 82c3 8364 c2+de 82c2+814a 8363+814a",  // 80
        "82ba 835b be+de 82b9+814a 835a+814a",  // 81
        "82bc 835d bf+de 82bb+814a 835c+814a",  // 82
        "82be 835f c0+de 82bd+814a 835e+814a",  // 83
        "82c5 8366 c3+de 82c4+814a 8365+814a",  // 84
        "82c7 8368 c4+de 82c6+814a 8367+814a",  // 85
        "82ce 836f ca+de 82cd+814a 836e+814a 8394+8340 82a4+814a+829f 8345+814a+8340 b3+de+a7",  // 86
        "82d1 8372 cb+de 82d0+814a 8371+814a 8394+8342 82a4+814a+82a1 8345+814a+8342 b3+de+a8",  // 87
        "82d4 8375 cc+de 82d3+814a 8374+814a 8394 8345+814a 82a4+814a b3+de",  // 88
        "82d7 8378 cd+de 82d6+814a 8377+814a 8394+8346 82a4+814a+82a5 8345+814a+8346 b3+de+aa",  // 89
        "82da 837b ce+de 82d9+814a 837a+814a 8394+8348 82a4+814a+82a7 8345+814a+8348 b3+de+ab",  // 90
        "82cf 8370 ca+df 82cd+814b 836e+814b",  // 91
        "82d2 8373 cb+df 82d0+814b 8371+814b",  // 92
        "82d5 8376 cc+df 82d3+814b 8374+814b",  // 93
        "82d8 8379 cd+df 82d6+814b 8377+814b",  // 94
        "82db 837c ce+df 82d9+814b 837a+814b",  // 95
        "82a0 8341 b1 829f 8340 a7",  // 96
        "82a2 8343 b2 82a1 8342 a8",  // 97
        "82a4 8345 b3 82a3 8344 a9",  // 98
        "82a6 8347 b4 82a5 8346 aa",  // 99
        "82a8 8349 b5 82a7 8348 ab",  // 100
        "82a9 834a b6",  // 101
        "82ab 834c b7",  // 102
        "82ad 834e b8",  // 103
        "82af 8350 b9",  // 104
        "82b1 8352 ba",  // 105
        "82b3 8354 bb",  // 106
        "82b5 8356 bc",  // 107
        "82b7 8358 bd",  // 108
        "82b9 835a be",  // 109
        "82bb 835c bf",  // 110
        "82bd 835e c0",  // 111
        "82bf 8360 c1",  // 112
        "82c2 8363 c2 82c1 8362 af",  // 113
        "82c4 8365 c3",  // 114
        "82c6 8367 c4",  // 115
        "82c8 8369 c5",  // 116
        "82c9 836a c6",  // 117
        "82ca 836b c7",  // 118
        "82cb 836c c8",  // 119
        "82cc 836d c9",  // 120
        "82cd 836e ca",  // 121
        "82d0 8371 cb",  // 122
        "82d3 8374 cc",  // 123
        "82d6 8377 cd",  // 124
        "82d9 837a ce",  // 125
        "82dc 837d cf",  // 126
        "82dd 837e d0",  // 127
        "82de 8380 d1",  // 128
        "82df 8381 d2",  // 129
        "82e0 8382 d3",  // 130
        "82e2 8384 d4 82e1 8383 ac",  // 131
        "82e4 8386 d5 82e3 8385 ad",  // 132
        "82e6 8388 d6 82e5 8387 ae",  // 133
        "82e7 8389 d7",  // 134
        "82e8 838a d8",  // 135
        "82e9 838b d9",  // 136
        "82ea 838c da",  // 137
        "82eb 838d db",  // 138
        "82ed 838f dc 82a4+829f 8345+8340 b3+a7",  // 139
        "8390 82ee 82a4+82a1 8345+8342 b3+a8",  // 140
        "8391 82ef 82a4+82a5 8345+8346 b3+aa",  // 141
        "82f0 8392 a6 82a4+82a7 8345+8348 b3+ab",  // 142
        "de 814a",  // 143
        "df 814b",  // 144
};

TEST(DefaultFuzzyCharDic, HoldsEveryGroupInTableOrder) {
    const TDictionary& dic = DefaultFuzzyCharDic();
    ASSERT_EQ(dic.size(), 145u);
    for (unsigned n = 0; n < 26; ++n) {
        std::ostringstream expected;
        expected << std::hex << 0x8260 + n << ' ' << 0x8281 + n << ' ' << 0x41 + n << ' ' << 0x61 + n;
        EXPECT_EQ(Describe(dic[n]), expected.str()) << "group " << n;
    }
    for (std::size_t g = 26; g < dic.size(); ++g) {
        EXPECT_EQ(Describe(dic[g]), kExpectedFrom26[g - 26]) << "group " << g;
    }
    std::size_t members = 0;
    for (const TDictionaryGroup& group : dic) members += group.size();
    EXPECT_EQ(members, 571u);
}

}  // namespace
}  // namespace tervaline::regex
