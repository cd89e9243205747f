#!/usr/bin/env python3
"""Writes src/request/query_decoding_index.cpp: the code point of every double-byte Shift_JIS
character, by its pointer as the WHATWG Encoding Standard counts them ((lead row) * 188 + trail
offset), for the check tool's --decode.

Python's code page 932 gives the characters; for every pair the WHATWG index (index-jis0208) holds,
it reads the same code point as a browser's TextDecoder("shift_jis"), and it holds no other pair
(tests/decode_readers_test.sh compares every pair with Chromium's). The user-defined area
(pointers 8836 to 10715, U+E000 on) is a sum, not a table, so the table skips it.
usage: scripts/make_decoding_index.py > src/request/query_decoding_index.cpp
"""

EUDC_FIRST, EUDC_LAST = 8836, 10715


def code_point(pointer):
    lead, trail = divmod(pointer, 188)
    lead += 0x81 if lead < 0x1F else 0xC1
    trail += 0x40 if trail < 0x3F else 0x41
    try:
        text = bytes([lead, trail]).decode("cp932")
    except UnicodeDecodeError:
        return 0
    return ord(text) if len(text) == 1 else 0


def main():
    pointers = [p for p in range(EUDC_FIRST)] + [p for p in range(EUDC_LAST + 1, 188 * 60)]
    table = [code_point(p) for p in pointers]
    while table[-1] == 0:
        table.pop()
    print("// Made by scripts/make_decoding_index.py: the code point of each double-byte Shift_JIS")
    print("// character by its pointer, 0 where there is none; the user-defined area is left out.")
    print('#include "request/query_decoding_index.h"')
    print()
    print("const char16_t kShiftJisIndex[] = {")
    for start in range(0, len(table), 12):
        print("    %s," % ", ".join("0x%04X" % c for c in table[start:start + 12]))
    print("};")
    print()
    print("const size_t kShiftJisIndexSize = sizeof kShiftJisIndex / sizeof kShiftJisIndex[0];")

main()
