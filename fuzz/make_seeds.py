#!/usr/bin/env python3
"""Writes the named seed inputs of fuzz/corpus/<target>/, one row per seed with why it is there.

Run it again after changing a row; files it does not name (findings kept as regression cases) are
left alone. The stamp's seeds are made from an unstamped release, regcomplete.exe of a cross build
without a host: `make_seeds.py build/win32/unstamped/bin/regcomplete.exe`; without it they are left
as they are. Every input starts with the code page byte: '0' 932, '1' 936, '2' 949, '3' 950,
'4' 1361, '5' 1252, '6' odd reported ranges (blank, quote, slash and backslash are lead bytes),
'7' ranges taken from the next twelve bytes.
"""
import os
import struct
import sys

CP932, CP936, CP1361, CP1252, ODD = b"0", b"1", b"4", b"5", b"6"


def reported(*pairs):
    """Code page '7' with the given (first, last) lead-byte ranges, padded to twelve bytes."""
    ranges = bytes(b for pair in pairs for b in pair)
    return b"7" + ranges + bytes(12 - len(ranges))


def size(n):
    return bytes([n >> 8, n & 0xFF])


KANA = bytes(range(0xA1, 0xE0))  # every half-width katakana of code page 932
YAMADA = b"\x8e\x52\x93\x63"  # 山田: the trail byte 0x52 is an ASCII letter on its own
SO = b"\x83\x5c"  # ソ: trail byte 0x5C, the backslash
HYO = b"\x95\x5c"  # 表: trail byte 0x5C
QUOTE_TRAIL = b"\x81\x22"  # a lead byte followed by a byte that looks like a quote
ALL_EIGHT = (b'/Rc:\\doc\\readme.txt /S1234-5678 /U"Taro Yamada" /O' + YAMADA +
             b" /P100 /W1234 /Cclass /T\"Setup \x83\x5c\"")

COMMAND_TAIL = [
    ("bare_name", CP932 + b"regcomplete.exe /Pabc", "name up to the first blank"),
    ("quoted_name_with_blanks", CP932 + b'"C:\\Program Files\\v\\regcomplete.exe"  /Uabc',
     "the closing quote and the blanks after it are skipped"),
    ("ends_inside_quoted_name", CP932 + b'"C:\\Program Files\\regcomplete',
     "no closing quote: empty tail"),
    ("ends_inside_quoted_name_on_lead_byte", CP932 + b'"C:\\\x83',
     "lone lead byte at the end of an open quoted name"),
    ("quoted_name_trail_0x22", CP932 + b'"C:\\' + QUOTE_TRAIL + b'.exe" /Pa',
     "a trail byte that looks like the closing quote"),
    ("quoted_name_trail_0x5C", CP932 + b'"C:\\' + SO + b'\\a.exe" /Pa', "trail byte 0x5C"),
    ("bare_name_high_bytes", CP932 + b"C:\\" + SO + b"\xa0.exe\t\x01 /Pa",
     "bytes 0x80 and up belong to a bare name; tab and control bytes are skipped"),
    ("only_blanks_after_name", CP932 + b"a.exe   \t ", "nothing but blanks after the name"),
    ("empty_line", CP932, "empty command line"),
    ("quote_is_lead_byte", ODD + b'"ab"c" /Pa', "a code page where the quote starts a character"),
    ("cp1252_no_lead", CP1252 + b'"C:\\\x81" /Pa', "0x81 is an ordinary byte under 1252"),
    ("line_2000_bytes", CP932 + b'"C:\\Program Files\\regcomplete.exe" ' +
     b"/U" + b"x" * 1960 + b" /Oend", "a 2,000-byte command line"),
]

OPTIONS = [
    ("all_eight_options", CP932 + ALL_EIGHT, "every option at once"),
    ("repeated_options", CP932 + b"/Pone /Ptwo /pthree /U\"a\" /Ub", "the later value wins"),
    ("lead_byte_at_end_of_value", CP932 + b"/Uabc /O" + YAMADA + b"\x82",
     "lone lead byte ends the line: the value is dropped"),
    ("lead_byte_at_end_of_quoted_value", CP932 + b'/Uabc /O"' + YAMADA + b"\x82",
     "lone lead byte in an open quoted value"),
    ("lead_byte_drops_earlier_value", CP932 + b"/Uabc /U\x82", "a dropped value nulls the field"),
    ("trail_0x5C", CP932 + b'/R"C:\\' + HYO + b'\\readme.txt" /U' + SO, "trail byte 0x5C"),
    ("trail_0x22_in_quoted_value", CP932 + b'/U"' + QUOTE_TRAIL + b'z" /Oy',
     "a trail byte that looks like the closing quote"),
    ("trail_0x20_in_bare_value", CP932 + b"/U\x81\x20x /Oy", "a trail byte that looks like a blank"),
    ("unbalanced_quote", CP932 + b'/U"Taro /Oabc', "an open quote runs to the end"),
    ("text_after_closing_quote", CP932 + b'/U"ab"cd /Oe', "text after a quote is skipped"),
    ("quote_at_end", CP932 + b'/P"', "a lone quote gives an empty value"),
    ("letter_at_end", CP932 + b"/Uabc /P", "a letter without a value records nothing"),
    ("tail_511_bytes", CP932 + b"/U" + b"a" * 509, "the longest tail the copy holds whole"),
    ("tail_511_bytes_ends_in_lead_byte", CP932 + b"/U" + b"a" * 508 + b"\x82",
     "a lead byte as the 511th byte"),
    ("tail_512_bytes_character_across_the_end", CP932 + b"/Pa /U" + b"a" * 504 + b"\x82\xa0",
     "a double-byte character whose trail byte is the 512th"),
    ("tail_2000_bytes", CP932 + b"/P100 /O" + b"o" * 600 + b" /U" + b"u" * 1385,
     "a 2,000-byte tail: nothing read may be cut"),
    ("value_runs_past_the_copy", CP932 + b"/U" + b"a" * 510,
     "the 512th byte belongs to the value: it must not be read cut"),
    ("detail_cut_at_511_bytes", CP932 + b"x" * 500 + b" /Uabcdefghijk",
     "a value that crosses the 511th byte must not be read as its first part"),
    ("owner_window_cut_at_511_bytes", CP932 + b"x" * 505 + b" /W123456",
     "a number that crosses the 511th byte must not be read as its first digits"),
    ("long_kana_run", CP932 + b"/U" + KANA * 7, "kana that grow six-fold when encoded"),
    ("owner_window_wraps", CP932 + b"/W4294967297", "beyond 32 bits wraps to 1"),
    ("owner_window_negative_wraps", CP932 + b"/W-2147483649", "below the 32-bit range"),
    ("owner_window_many_digits", CP932 + b"/W 99999999999999999999999", "blank right after W"),
    ("owner_window_signs", CP932 + b'/W"\t+12" /w0x1A /W-', "white space, sign, hex prefix"),
    ("odd_code_page", ODD + b'/U"a b" /P\\x /S/y /O\x01\x02',
     "blank, quote, slash and backslash are lead bytes"),
    ("reported_ranges", reported((0x81, 0x9F), (0xE0, 0xFC)) + b"/U" + YAMADA + b" /O\xe0",
     "lead bytes taken from reported ranges"),
    ("reported_range_from_zero", reported((0x00, 0x7F)) + b"/Uab /Oc",
     "a reported range that starts at zero"),
    ("cp936", CP936 + b"/U\xc4\xe3\xff /O\xfe", "0xFF is no lead byte under 936"),
    ("cp1361", CP1361 + b"/U\xd4\x20x /O\xd8", "a lead byte from each 1361 range"),
]

QUERY_ENCODING = [
    ("kanji", CP932 + size(512) + YAMADA, "trail bytes that look like ASCII"),
    ("kana_all", CP932 + size(512) + KANA, "every half-width katakana"),
    ("kana_fits_exactly", CP932 + size(511) + b"\xb1" * 85, "510 bytes and the zero in 511"),
    ("kana_one_byte_too_long", CP932 + size(510) + b"\xb1" * 85, "one byte short: nothing"),
    ("lead_byte_at_end", CP932 + size(512) + b"ab\x82", "a lone lead byte is dropped"),
    ("trail_bytes", CP932 + size(512) + SO + QUOTE_TRAIL + b"\x81\x20\x81\x25",
     "trail bytes 0x5C, 0x22, 0x20 and 0x25"),
    ("query_syntax", CP932 + size(512) + b'A B&C=D?E#F+G%H"I\'J/K\\L',
     "bytes that could break the query or the command line"),
    ("all_bytes", CP932 + size(1024) + bytes(range(1, 256)), "every byte once"),
    ("all_bytes_1252", CP1252 + size(1024) + bytes(range(1, 256)), "no lead byte, no kana"),
    ("odd_code_page", ODD + size(512) + b'a b"c/d\\', "blank and quote as lead bytes"),
    ("size_0", CP932 + size(0) + b"abc", "no room at all"),
    ("size_1", CP932 + size(1) + b"", "room for the zero only, empty value"),
    ("size_4_escape_fits", CP932 + size(4) + b" ", "an escape and the zero exactly"),
    ("size_3_escape_does_not_fit", CP932 + size(3) + b" ", "an escape one byte too long"),
]

# Registration address: code page, control byte (bit 0 plain base, bit 1 details set directly,
# bits 4 to 7 null details), two size bytes (0 gives kAddressSize), then a tail or four details.
def details(productid, username, organization, serialno):
    return b"\0".join([productid, username, organization, serialno])


REGISTRATION_URL = [
    ("all_details_from_tail", CP932 + b"\x00" + size(0) + ALL_EIGHT, "all eight options"),
    ("kana_username", CP932 + b"\x01" + size(0) + b"/U\xd4\xcf\xc0\xde", "plain base, kana"),
    ("empty_productid", CP932 + b"\x00" + size(0) + b'/P"" /Uabc', "empty detail is left out"),
    ("middle_detail_too_long", CP932 + b"\x02" + size(0) +
     details(b"100", KANA * 2, b"org", b"1234"),
     "a detail that does not fit is left out whole, those after it still come"),
    # The default host gives a 43-byte base; the four keys with their "?", "&" and "=" take 45.
    ("details_fill_exactly", CP932 + b"\x02" + size(0) +
     details(b"p" * 100, b"u" * 100, b"o" * 100, b"s" * 123),
     "the last detail fills the address to its last byte"),
    ("details_one_byte_over", CP932 + b"\x02" + size(0) +
     details(b"p" * 100, b"u" * 100, b"o" * 100, b"s" * 124), "the last detail one byte too long"),
    ("null_details", CP932 + b"\xa2" + size(0) + details(b"a", b"b", b"c", b"d"),
     "productid and serialno null"),
    ("lone_lead_byte_detail", CP932 + b"\x02" + size(0) + details(b"\x82", b"", b"o", b""),
     "a detail that encodes to nothing"),
    ("small_address", CP932 + b"\x00" + size(400) + b"/P1 /Uabcdef /O12", "a small buffer"),
    ("tail_2000_bytes", CP932 + b"\x00" + size(0) + b"/P100 /O" + b"o" * 600 + b" /U" +
     b"u" * 1385, "a 2,000-byte tail"),
    ("odd_code_page", ODD + b"\x00" + size(0) + b'/U"a b" /Ox\\y', "odd lead bytes"),
]

# Browser command: code page, control byte (bit 0 address built from a tail, bit 1 on the plain
# base, bit 2 no template, bit 3 no address), two size bytes (0 gives kBrowserCommandSize), the
# template, the file type, then the address or the tail, separated by zero bytes.
def browser(control, template, file_type, rest, out_size=0, code_page=CP932):
    return code_page + bytes([control]) + size(out_size) + b"\0".join([template, file_type, rest])


URL = b"https://regist.example.com/entry/regist.php?productid=abc"
BROWSER = b'"C:\\Program Files\\Web\\browser.exe"'
BROWSER_COMMAND = [
    ("quoted_placeholder", browser(0, BROWSER + b' "%1"', b"htmlfile", URL),
     "the placeholder's blank and the appended one stand in a row"),
    ("no_placeholder", browser(0, BROWSER + b" -nohome", b"htmlfile", URL),
     "the address follows the whole template"),
    ("bare_placeholder_then_arguments", browser(0, b"C:\\b.exe %1 -new-window", b"x", URL),
     "what follows the placeholder goes"),
    ("unclosed_quoted_placeholder", browser(0, BROWSER + b' "%1', b"x", URL),
     "cut at the bare %1, keeping the quote"),
    ("placeholder_first", browser(0, b'"%1" -x', b"x", URL), "nothing left to start"),
    ("empty_template", browser(0, b"", b"", URL), "nothing to start, empty file type"),
    ("template_259_bytes_address_511", browser(1, BROWSER + b" " + b"a" * 224, b"t" * 259,
                                                b"/U" + b"u" * 458),
     "the longest template and the longest address fill the buffer exactly"),
    ("kana_address", browser(3, BROWSER + b' "%1"', b"htmlfile", b"/U" + KANA + b" /Oorg"),
     "an address built from kana, on the plain base"),
    ("address_from_2000_byte_tail", browser(1, BROWSER + b' "%1"', b"htmlfile",
                                             b"/P100 /O" + b"o" * 600 + b" /U" + b"u" * 1385),
     "an address built from a 2,000-byte tail"),
    ("address_with_blank_and_quote", browser(0, BROWSER, b"x", b'http://h/p?u=a b"c'),
     "an address given raw is appended as it is"),
    ("small_buffer", browser(0, BROWSER + b' "%1"', b"htmlfile", URL, out_size=60),
     "a command that does not fit is not composed"),
    ("no_template", browser(4, b"", b"x", URL), "no template at all"),
    ("no_address", browser(8, BROWSER, b"x", b""), "no address at all"),
]

# Readme command: code page, control byte (bit 0 readme read from a tail, bit 1 no readme, bit 2
# no module path), two size bytes (0 gives kReadmeCommandSize), the readme or the tail, a zero
# byte, then the module path.
def readme(control, first, module_path, out_size=0, code_page=CP932):
    return code_page + bytes([control]) + size(out_size) + first + b"\0" + module_path


MODULE = b"C:\\Program Files\\Vendor\\regcomplete.exe"
README_COMMAND = [
    ("readme_with_blanks", readme(0, b"C:\\Program Files\\v\\read me.txt", MODULE),
     "the readme path goes unquoted, blanks and all"),
    ("empty_readme_option", readme(1, b'/R"" /Uabc', MODULE),
     "an empty option R falls back to the module's directory"),
    ("readme_option_from_tail", readme(1, b'/R"C:\\' + HYO + b'\\a b.txt" /Ux', MODULE),
     "option R read from a tail, with a trail byte 0x5C"),
    ("module_path_trail_0x5C", readme(2, b"", b"C:\\" + HYO + b"x.exe"),
     "the trail byte 0x5C is no backslash"),
    ("module_path_ends_in_trail_0x5C", readme(2, b"", b"C:\\dir\\" + HYO),
     "a path whose last byte is a trail byte 0x5C"),
    ("module_path_without_backslash", readme(2, b"", b"regcomplete.exe"),
     "no backslash: the whole path and readme.txt"),
    ("module_path_lone_lead_byte", readme(2, b"", b"C:\\a\\\x82"),
     "a lone lead byte at the end of the path"),
    ("module_path_511_bytes", readme(2, b"", b"C:\\" + b"d" * 496 + b"\\regcomp.exe"),
     "the longest module path"),
    ("readme_from_511_byte_tail", readme(1, b"/R" + b"r" * 509, MODULE),
     "the longest option R"),
    ("neither", readme(6, b"", b""), "no readme and no module path: nothing is started"),
    ("odd_code_page", readme(2, b"", b"C:\\a\\b\\c.exe", code_page=ODD),
     "a backslash that is a lead byte"),
    ("small_buffer", readme(0, b"C:\\readme.txt", MODULE, out_size=20),
     "a command that does not fit is not composed"),
]

# Stamp: the host up to a zero byte, the company and the copyright in UTF-16 (low byte first, no
# zero byte in them) each up to a zero byte, then the file.
def stamp(host, company, copyright, image):
    def units(text):
        return text.encode("utf-16-le") + b"\0"
    return host + b"\0" + units(company) + units(copyright) + image


def pe_checksum(image, field):
    """The PE checksum: 16-bit words summed with their carries, the field left out, plus the size."""
    padded = image + b"\0" * (len(image) % 2)
    total = sum(struct.unpack_from("<%dH" % (len(padded) // 2), padded))
    total -= sum(struct.unpack_from("<2H", padded, field))
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(image)


def rechecked(image):
    """`image` with its checksum made right again, so that only what was changed is wrong."""
    field = struct.unpack_from("<I", image, 0x3C)[0] + 24 + 64
    return image[:field] + struct.pack("<I", pe_checksum(image, field)) + image[field + 4:]


def signed(image):
    """A certificate table after the last section, named by its directory entry."""
    entry = struct.unpack_from("<I", image, 0x3C)[0] + 24 + 96 + 4 * 8
    table = struct.pack("<IHH", 16, 0x200, 2) + b"certdata"
    image = image[:entry] + struct.pack("<II", len(image), len(table)) + image[entry + 8:]
    return rechecked(image + table)


def stamp_seeds(release):
    name = "regcomplete registration host ".encode()
    return [
        ("unstamped_release", stamp(b"regist.example.jp", "", "", release),
         "a whole release: every check passes, the stamp goes through"),
        ("names_of_127_units", stamp(b"h.example:8080", "例" * 127, "例示" * 63 + "株", release),
         "names that fill their slots"),
        ("name_of_128_units", stamp(b"h.example", "例" * 128, "", release),
         "a name one unit too long"),
        ("not_a_host", stamp(b"regist/example", "", "", release), "a host that is refused"),
        ("cut_after_version_resource", stamp(b"h.example", "", "", rechecked(release[:-0x200])),
         "cut short after its version resource, checksum right"),
        ("second_marker_at_the_end",
         stamp(b"h.example", "", "", rechecked(release[:-len(name)] + name)),
         "a second marker as the file's last bytes"),
        ("signed", stamp(b"h.example", "", "", signed(release)), "read, but refused"),
    ]


# Query decoding: a mode byte; even: two size bytes and a query; odd: a code page 932 value that is
# encoded and read back.
QUERY, ROUND_TRIP = b"\x00", b"\x01"
KANA_WITH_MARKS = "ｶﾞﾊﾟｳﾞﾜﾞﾎﾟｱﾞ".encode("cp932")

QUERY_DECODING = [
    ("address_as_sent", QUERY + size(4096) + b"https://regist.example.com/entry/regist.php?"
     b"productid=100&username=%8E%52%93%63&organization=%25%2B%21%2B%255&serialno=!V%21V",
     "an address as the program sends it, a typed ! and the one ambiguity"),
    ("malformed_escapes", QUERY + size(4096) + b"username=%82&organization=%8&serialno=%%25%21+",
     "a lone lead byte, escapes without two digits, a bare +"),
    ("bare_kana_does_not_fit", QUERY + size(3) + b"username=%B1%B1",
     "bare half-width katakana double: two do not fit three bytes"),
    ("zero_bytes", QUERY + size(100) + b"username=a%00b\x00%82", "decoded and raw zero bytes"),
    ("kana_with_marks", ROUND_TRIP + KANA_WITH_MARKS + b"a\xde\xde", "marks that compose, and not"),
    ("kanji_and_query_syntax", ROUND_TRIP + YAMADA + HYO + SO + b" &+#=?!V%z",
     "trail bytes 0x52 and 0x5C, bytes escaped and bare, ! and % typed"),
    ("ambiguity_not_compared", ROUND_TRIP + b"%5", "a typed % before 5 reads as sa"),
    ("every_kana", ROUND_TRIP + KANA, "every half-width katakana"),
]

TARGETS = {
    "command_tail": COMMAND_TAIL,
    "options": OPTIONS,
    "query_encoding": QUERY_ENCODING,
    "registration_url": REGISTRATION_URL,
    "browser_command": BROWSER_COMMAND,
    "readme_command": README_COMMAND,
    "query_decoding": QUERY_DECODING,
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    if len(sys.argv) > 1:
        with open(sys.argv[1], "rb") as release:
            TARGETS["stamp"] = stamp_seeds(release.read())
    for target, seeds in TARGETS.items():
        directory = os.path.join(here, "corpus", target)
        os.makedirs(directory, exist_ok=True)
        for name, data, _why in seeds:
            with open(os.path.join(directory, name), "wb") as seed:
                seed.write(data)


if __name__ == "__main__":
    main()
