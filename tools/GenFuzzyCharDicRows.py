#!/usr/bin/env python3
"""Writes regex/FuzzyCharDicRows.cpp, the built-in fuzzy-character dictionary.

The C++ source is UTF-8 but the dictionary must hold code page 932 bytes, so
the rows are emitted as byte strings with hex escapes. Groups are given either
as lists of code page 932 codes (one list per member, a member may be empty)
or as UTF-8 texts that are encoded here with Python's cp932 codec.

Usage: tools/GenFuzzyCharDicRows.py > regex/FuzzyCharDicRows.cpp
"""

# Letters A..Z: full-width capital, full-width small, capital, small.
GROUPS = [([0x8260 + n], [0x8281 + n], [0x41 + n], [0x61 + n]) for n in range(26)]

GROUPS += [
    ([0x30], [0x824f], [0x97eb]),
    ([0x31], [0x8250], [0x88ea], [0x8740], [0x8754], [0x88eb]),
    ([0x32], [0x8251], [0x93f1], [0x8741], [0x8755], [0x93f3]),
    ([0x33], [0x8252], [0x8e4f], [0x8742], [0x8756], [0x8e51]),
    ([0x34], [0x8253], [0x8e6c], [0x8743], [0x8757]),
    ([0x35], [0x8254], [0x8cdc], [0x8744], [0x8758], [0x8cde]),
    ([0x36], [0x8255], [0x985a], [0x8745], [0x8759]),
    ([0x37], [0x8256], [0x8eb5], [0x8746], [0x875a]),
    ([0x38], [0x8257], [0x94aa], [0x8747], [0x875b]),
    ([0x39], [0x8258], [0x8be3], [0x8748], [0x875c]),
    ([0x8140], [0x20]),
    ([0x21], [0x8149]),
    ([0x22], [0x8168]),
    ([0x23], [0x8194]),
    ([0x24], [0x8190]),
    ([0x25], [0x8193]),
    ([0x26], [0x8195]),
    ([0x27], [0x8166]),
    ([0x28], [0x8169]),
    ([0x29], [0x816a]),
    ([0x2a], [0x8196]),
    ([0x2b], [0x817b]),
    ([0x815b], [0x8160], [0xb0], []),
    ([0x2d], [0x815b], [0x817c], [0x8160], [0xb0]),
    ([0xa5], [0x8145]),
    ([0x2f], [0x815e]),
    ([0x3a], [0x8146]),
    ([0x3b], [0x8147]),
    ([0x3c], [0x8183]),
    ([0x3d], [0x8181]),
    ([0x3e], [0x8184]),
    ([0x3f], [0x8148]),
    ([0x40], [0x8197]),
    ([0x5b], [0x816d], [0x816b]),
    ([0x5c], [0x818f]),
    ([0x5d], [0x816e], [0x816c]),
    ([0x5e], [0x814f]),
    ([0x5f], [0x8151]),
    ([0x7b], [0x816f]),
    ([0x7c], [0x8162]),
    ([0x7d], [0x8170]),
    ([0x7e], [0x8150]),
    ([0x2c], [0xa4], [0x8141], [0x8143]),
    ([0xa1], [0x2e], [0x8142], [0x8144]),
    ([0x8175], [0x8177], [0xa2]),
    ([0x8176], [0x8178], [0xa3]),
    ('ん', 'ン', 'ﾝ'),
    ('が', 'ガ', 'ｶﾞ', 'か゛', 'カ゛'),
    ('ぎ', 'ギ', 'ｷﾞ', 'き゛', 'キ゛'),
    ('ぐ', 'グ', 'ｸﾞ', 'く゛', 'ク゛'),
    ('げ', 'ゲ', 'ｹﾞ', 'け゛', 'ケ゛'),
    ('ご', 'ゴ', 'ｺﾞ', 'こ゛', 'コ゛'),
    ('ざ', 'ザ', 'ｻﾞ', 'さ゛', 'サ゛'),
    ('じ', 'ジ', 'ｼﾞ', 'し゛', 'シ゛', 'ぢ', 'ヂ', 'ﾁﾞ', 'ち゛', 'チ゛'),
    ('ず', 'ズ', 'ｽﾞ', 'す゛', 'ス゛', 'づ', 'ヅ', 'ﾂﾞ', 'つ゛', 'ツ゛'),
    ('ぜ', 'ゼ', 'ｾﾞ', 'せ゛', 'セ゛'),
    ('ぞ', 'ゾ', 'ｿﾞ', 'そ゛', 'ソ゛'),
    ('だ', 'ダ', 'ﾀﾞ', 'た゛', 'タ゛'),
    ('で', 'デ', 'ﾃﾞ', 'て゛', 'テ゛'),
    ('ど', 'ド', 'ﾄﾞ', 'と゛', 'ト゛'),
    ('ば', 'バ', 'ﾊﾞ', 'は゛', 'ハ゛', 'ヴァ', 'う゛ぁ', 'ウ゛ァ', 'ｳﾞｧ'),
    ('び', 'ビ', 'ﾋﾞ', 'ひ゛', 'ヒ゛', 'ヴィ', 'う゛ぃ', 'ウ゛ィ', 'ｳﾞｨ'),
    ('ぶ', 'ブ', 'ﾌﾞ', 'ふ゛', 'フ゛', 'ヴ', 'ウ゛', 'う゛', 'ｳﾞ'),
    ('べ', 'ベ', 'ﾍﾞ', 'へ゛', 'ヘ゛', 'ヴェ', 'う゛ぇ', 'ウ゛ェ', 'ｳﾞｪ'),
    ('ぼ', 'ボ', 'ﾎﾞ', 'ほ゛', 'ホ゛', 'ヴォ', 'う゛ぉ', 'ウ゛ォ', 'ｳﾞｫ'),
    ('ぱ', 'パ', 'ﾊﾟ', 'は゜', 'ハ゜'),
    ('ぴ', 'ピ', 'ﾋﾟ', 'ひ゜', 'ヒ゜'),
    ('ぷ', 'プ', 'ﾌﾟ', 'ふ゜', 'フ゜'),
    ('ぺ', 'ペ', 'ﾍﾟ', 'へ゜', 'ヘ゜'),
    ('ぽ', 'ポ', 'ﾎﾟ', 'ほ゜', 'ホ゜'),
    ('あ', 'ア', 'ｱ', 'ぁ', 'ァ', 'ｧ'),
    ('い', 'イ', 'ｲ', 'ぃ', 'ィ', 'ｨ'),
    ('う', 'ウ', 'ｳ', 'ぅ', 'ゥ', 'ｩ'),
    ('え', 'エ', 'ｴ', 'ぇ', 'ェ', 'ｪ'),
    ('お', 'オ', 'ｵ', 'ぉ', 'ォ', 'ｫ'),
    ('か', 'カ', 'ｶ'),
    ('き', 'キ', 'ｷ'),
    ('く', 'ク', 'ｸ'),
    ('け', 'ケ', 'ｹ'),
    ('こ', 'コ', 'ｺ'),
    ('さ', 'サ', 'ｻ'),
    ('し', 'シ', 'ｼ'),
    ('す', 'ス', 'ｽ'),
    ('せ', 'セ', 'ｾ'),
    ('そ', 'ソ', 'ｿ'),
    ('た', 'タ', 'ﾀ'),
    ('ち', 'チ', 'ﾁ'),
    ('つ', 'ツ', 'ﾂ', 'っ', 'ッ', 'ｯ'),
    ('て', 'テ', 'ﾃ'),
    ('と', 'ト', 'ﾄ'),
    ('な', 'ナ', 'ﾅ'),
    ('に', 'ニ', 'ﾆ'),
    ('ぬ', 'ヌ', 'ﾇ'),
    ('ね', 'ネ', 'ﾈ'),
    ('の', 'ノ', 'ﾉ'),
    ('は', 'ハ', 'ﾊ'),
    ('ひ', 'ヒ', 'ﾋ'),
    ('ふ', 'フ', 'ﾌ'),
    ('へ', 'ヘ', 'ﾍ'),
    ('ほ', 'ホ', 'ﾎ'),
    ('ま', 'マ', 'ﾏ'),
    ('み', 'ミ', 'ﾐ'),
    ('む', 'ム', 'ﾑ'),
    ('め', 'メ', 'ﾒ'),
    ('も', 'モ', 'ﾓ'),
    ('や', 'ヤ', 'ﾔ', 'ゃ', 'ャ', 'ｬ'),
    ('ゆ', 'ユ', 'ﾕ', 'ゅ', 'ュ', 'ｭ'),
    ('よ', 'ヨ', 'ﾖ', 'ょ', 'ョ', 'ｮ'),
    ('ら', 'ラ', 'ﾗ'),
    ('り', 'リ', 'ﾘ'),
    ('る', 'ル', 'ﾙ'),
    ('れ', 'レ', 'ﾚ'),
    ('ろ', 'ロ', 'ﾛ'),
    ('わ', 'ワ', 'ﾜ', 'うぁ', 'ウァ', 'ｳｧ'),
    ('ヰ', 'ゐ', 'うぃ', 'ウィ', 'ｳｨ'),
    ('ヱ', 'ゑ', 'うぇ', 'ウェ', 'ｳｪ'),
    ('を', 'ヲ', 'ｦ', 'うぉ', 'ウォ', 'ｳｫ'),
    ([0xde], [0x814a]),
    ([0xdf], [0x814b]),
]


def member_bytes(member):
    if isinstance(member, str):
        return member.encode("cp932")
    out = b""
    for code in member:
        out += bytes([code >> 8, code & 0xFF]) if code > 0xFF else bytes([code])
    return out


def comma_item(raw):
    # Quote whatever the comma-text reader would otherwise split or strip.
    if raw and raw[0] != 0x22 and all(b > 0x20 and b != 0x2C for b in raw):
        return raw
    return b'"' + raw.replace(b'"', b'""') + b'"'


def row_bytes(members):
    raw = [member_bytes(m) for m in members]
    if raw[-1] == b"":
        # A trailing comma is how the reader yields a final empty member.
        return b",".join(comma_item(r) for r in raw[:-1]) + b","
    return b",".join(comma_item(r) for r in raw)


def c_literal(data):
    # Double-byte characters are written wholly in hex so that no trail byte
    # reads as an ASCII character in the source.
    out, prev_hex, trail = "", False, False
    for b in data:
        ch = chr(b)
        is_trail, trail = trail, (not trail and (0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC))
        if not is_trail and not trail and 0x20 <= b < 0x7F and ch not in '"\\?':
            if prev_hex and ch in "0123456789abcdefABCDEF":
                out += '" "'
            out += ch
            prev_hex = False
        else:
            out += "\\x%02x" % b
            prev_hex = True
    return '"' + out + '"'


NAMES = {"": "(empty)", " ": "(space)", "\u3000": "(ideographic space)", "\\": "(backslash)"}


def readable(members):
    texts = [m if isinstance(m, str) else member_bytes(m).decode("cp932") for m in members]
    return " ".join(NAMES.get(t, t) for t in texts)


def main():
    assert len(GROUPS) == 145
    print("// Generated by tools/GenFuzzyCharDicRows.py; edit the generator, not this file.")
    print("//")
    print("// The 145 comma-text rows of the built-in fuzzy-character dictionary, in")
    print("// code page 932 bytes. Group order and member order decide which group wins.")
    print('#include "regex/FuzzyCharDic.h"')
    print()
    print("namespace tervaline::regex {")
    print()
    print("extern const std::array<std::string_view, kFuzzyCharDicRowCount> FuzzyCharDicRows = {")
    for index, members in enumerate(GROUPS):
        print("    // %d: %s" % (index, readable(members)))
        print("    %s," % c_literal(row_bytes(members)))
    print("};")
    print()
    print("}  // namespace tervaline::regex")


if __name__ == "__main__":
    main()
