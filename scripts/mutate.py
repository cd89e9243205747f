#!/usr/bin/env python3
"""One-line slips, each made by hand, tried against the fast host tests alone.

usage: scripts/mutate.py BUILD_DIR [FILE...]   (BUILD_DIR: a host build with the tests; no FILE:
every file below)
Each slip below replaces the first occurrence of a line's text in its file; the file is restored
after each. A slip is killed when the build fails or a fast test fails: core_tests, then the host
check tool's stamp and check scripts (the end-to-end, Wine, root and browser suites are left out).
"""
import os
import subprocess
import sys

SLIPS = {
    "tools/check/check_output.cpp": [
        ("code_point < 0x20 ||", "code_point < 0x1F ||"),
        ("(code_point >= 0x7F && code_point < 0xA0)", "(code_point > 0x7F && code_point < 0xA0)"),
        ("(code_point >= 0x7F && code_point < 0xA0)", "(code_point >= 0x7F && code_point <= 0xA0)"),
        ("code_point == 0x200F ||", "code_point == 0x2010 ||"),
        ("(code_point >= 0x2028 && code_point <= 0x202E)", "(code_point >= 0x2028 && code_point < 0x202E)"),
        ("(code_point >= 0x2066 && code_point <= 0x2069)", "(code_point > 0x2066 && code_point <= 0x2069)"),
        ("if (next == 'x' || next == 'u')", "if (next == 'x')"),
        ("} else if (keep_line_end && code_point == '\\n') {", "} else if (code_point == '\\n') {"),
        ("if (writer->value && code_point == '\\\\') {", "if (code_point == '\\\\') {"),
        ("MakeRoom(writer, unit_count);", "MakeRoom(writer, 1);"),
        ("    StartWriter(output, true, &writer);\n    AddUtf8(&writer, text, false);",
         "    StartWriter(output, true, &writer);\n    AddUtf8(&writer, text, true);"),
        ("length = code_point < 0x80 ? CodePointToUtf8", "length = code_point < 0x100 ? CodePointToUtf8"),
        ("value < 0x80 || !character", "value <= 0x80 || !character"),
        ("if (IsLeadByte(classes, *p) && p[1] != 0) EmitByte(&writer, *++p);", ""),
        ("output.code_page == code_page));", "output.code_page != code_page));"),
        ("    ReleaseBackslash(writer, 0);\n    Flush(writer);", "    Flush(writer);"),
        ("0xDC00 + ((value - 0x10000) & 0x3FF));", "0xDC00 + ((value - 0x10000) >> 10));"),
        ("        if (*p >= 0x80)\n            AddBadByte", "        if (*p > 0x80)\n            AddBadByte"),
        ("        output.encoding = OutputEncoding::kUtf8;", ""),
        ("    ReleaseBackslash(writer, byte);\n    EmitEscape(writer, byte);", "    EmitEscape(writer, byte);"),
    ],
    "tools/check/stamp_command.cpp": [
        ("bool keeps_company = arguments.company == nullptr", "bool keeps_company = arguments.company != nullptr"),
        ("arguments.copyright == nullptr && read && before.copyright[0] != 0;", "arguments.copyright == nullptr && read;"),
        ("const char16_t* company = keeps_company ? before.company : arguments.company;",
         "const char16_t* company = arguments.company;"),
        ("            PutWide(Stream::kErr, arguments.output.name);\n            Say(Stream::kErr, \"\\\"\\n\");\n            return 2;",
         "            PutWide(Stream::kErr, arguments.output.name);\n            Say(Stream::kErr, \"\\\"\\n\");\n            return 1;"),
        ("if (name[i] == u'/' || name[i] == u'\\\\') end = i;", "if (name[i] == u'/' || name[i] == u'\\\\') end = i + 1;"),
        ("            if (!has_meant)\n                return \"is more than", "            if (has_meant)\n                return \"is more than"),
        ("            if (!has_meant) return \"has a port", "            return \"has a port"),
        ("static_cast<unsigned>(kNameSlotUnits));", "static_cast<unsigned>(kNameSlotUnits + 1));"),
        ("    if (SameFile(arguments.input, arguments.output))", "    if (false)"),
        ("output_kind != FileKind::kMissing && output_kind != FileKind::kRegular", "output_kind != FileKind::kMissing"),
        ("    if (output_kind == FileKind::kRegular) {", "    if (output_kind != FileKind::kRegular) {"),
        ("        if (!keeps_company) PrintName(\"replaced company\"", "        PrintName(\"replaced company\""),
        ("        case SaveResult::kSaved: break;", "        case SaveResult::kSaved: return 2;"),
    ],
    "src/request/registration_host_name.cpp": [
        ('if (strpbrk(host, "/?#@") != nullptr)', 'if (strpbrk(host, "/?#") != nullptr)'),
        ("if (host[0] == '[' || (colon", "if ((colon"),
        ("if (static_cast<unsigned char>(*p) >= 0x80)", "if (static_cast<unsigned char>(*p) > 0x80)"),
        ("    if (length == 0) return HostNameProblem::kEmpty;\n    if (length >", "    if (length >"),
        ("if (length > kLongestHostName)", "if (length >= kLongestHostName)"),
        ("if (label > kLongestHostLabel)", "if (label >= kLongestHostLabel)"),
        ("name[end - 1] == '-'", "name[end] == '-'"),
        ("value >= 1 && value <= 65535", "value >= 0 && value <= 65535"),
        ("value >= 1 && value <= 65535", "value >= 1 && value < 65535"),
        ("? scheme_end + 3 : given;", "? scheme_end + 2 : given;"),
        ('strcspn(start, "/?#")', 'strcspn(start, "/?")'),
        ("for (size_t i = length; i > 0; --i) {", "for (size_t i = 1; i <= length; ++i) {"),
        ("if (length >= out_size) return false;", "if (length > out_size) return false;"),
        ("    return colon != nullptr &&", "    return false && colon != nullptr &&"),
    ],
    "src/stamp/program_stamp.cpp": [
        ('return offset <= size && length <= size - offset;', 'return offset <= size && length < size - offset;'),
        ('value = value << 8 | data[offset + i - 1];', 'value = value << 8 | data[offset + i];'),
        ('file.U32(optional + 92) < 5', 'file.U32(optional + 92) < 4'),
        ('if (file.U16(optional) != kPe32Magic || ', 'if ('),
        ('layout->security_entry = optional + 96 + 4 * 8;', 'layout->security_entry = optional + 96 + 5 * 8;'),
        ('section.loaded = section.raw_size < virtual_size ? section.raw_size : virtual_size;', 'section.loaded = section.raw_size > virtual_size ? section.raw_size : virtual_size;'),
        ('length <= section.loaded - (offset - section.raw))', 'length < section.loaded - (offset - section.raw))'),
        ('(characteristics == 0 || section.characteristics == characteristics);', '(characteristics == 0 || (section.characteristics & characteristics) != 0);'),
        ('if (section.raw_size != 0 && section_end > end) end = section_end;', 'if (section_end > end) end = section_end;'),
        ('Offset section_end = Offset{section.raw} + section.raw_size;', 'Offset section_end = section.raw + section.raw_size;'),
        ('unsigned ids = file.U16(directory + 14);', 'unsigned ids = file.U16(directory + 12);'),
        ('*size = file.U32(data + 4);', '*size = file.U32(data + 8);'),
        ('return file.U16(key + 2 * i) == 0 && !file.bad;', 'return !file.bad;'),
        ('child = base + Align4(child + value_length * (text ? 2 : 1) - base);', 'child = base + Align4(child + value_length * (text ? 1 : 2) - base);'),
        ('if (length < 6) break;', 'if (length == 0) break;'),
        ('if (!file.Has(value, 2 * units) || value + 2 * units > end) return VersionValue{0, 0};', 'if (!file.Has(value, 2 * units)) return VersionValue{0, 0};'),
        ('if (first == 0 && sizeof(RegistrationHostSlot) <= file.size - i) first = i;', 'if (first == 0 && sizeof(RegistrationHostSlot) < file.size - i) first = i;'),
        ("while (length > 0 && out[length - 1] == u' ') --length;", "while (length > 1 && out[length - 1] == u' ') --length;"),
        ('return memcmp(file.data + host_slot, kReleaseMarker, kHostMarkerSize) == 0;', 'return memcmp(file.data + host_slot, kReleaseMarker, sizeof kHostMarkerPrefix - 1) == 0;'),
        ('slots.company.units == kNameSlotUnits + 1 && slots.copyright.units == kNameSlotUnits + 1;', 'slots.company.units == kNameSlotUnits + 1;'),
        ('if (i == skip || i == skip + 2) continue;', 'if (i == skip) continue;'),
        ('return static_cast<uint32_t>(sum + size);', 'return static_cast<uint32_t>(sum);'),
        ('? layout.security_offset == 0 && end == file.size', '? end == file.size'),
        ('ValueInVersion(file, layout, slots, slots.copyright) && !file.bad;', '!file.bad;'),
        ('release.patches[4] = {layout.security_entry, 8, kZeros};', 'release.patches[4] = {layout.security_entry, 4, kZeros};'),
        ('out->stampable = out->is_release_of_this_version && out->is_whole && !out->is_signed;', 'out->stampable = out->is_release_of_this_version && out->is_whole;'),
        ('if (Length(request.company) > kNameSlotUnits || Length(request.copyright) > kNameSlotUnits)', 'if (Length(request.company) > kNameSlotUnits)'),
        ('    memset(host, 0, kHostSlotSize);\n', ''),
        ('WriteValue(image + slots.copyright.offset, slots.copyright.units, nullptr, nullptr,', 'WriteValue(image + slots.copyright.offset, slots.copyright.units, nullptr, nullptr, request.company ? nullptr :'),
    ],
    "src/stamp/sha256.cpp": [
        ('uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ w[i - 15] >> 3;', 'uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ w[i - 15] >> 2;'),
        ('w[i] = w[i - 16] + s0 + w[i - 7] + s1;', 'w[i] = w[i - 16] + s0 + w[i - 6] + s1;'),
        ('uint32_t choice = (v[4] & v[5]) ^ (~v[4] & v[6]);', 'uint32_t choice = (v[4] & v[5]) ^ (v[4] & v[6]);'),
        ('for (unsigned j = 7; j > 0; --j) v[j] = v[j - 1];', 'for (unsigned j = 7; j > 1; --j) v[j] = v[j - 1];'),
        ('while (hash->length % 64 != 56) Sha256Feed(hash, &kZero, 1);', 'while (hash->length % 64 < 56) Sha256Feed(hash, &kZero, 1);'),
        ('uint64_t bits = hash->length * 8;', 'uint64_t bits = hash->length;'),
        ('0x748f82ee, 0x78a5636f,', '0x748f82ee, 0x78a5636e,'),
        ('    hash->length = 0;\n', ''),
        ('for (unsigned i = 0; i < 8; ++i) hash->state[i] = kInitial[i];', 'for (unsigned i = 1; i < 8; ++i) hash->state[i] = kInitial[i];'),
        ('return value >> bits | value << (32 - bits);', 'return value >> bits | value << (31 - bits);'),
    ],
    "src/request/query_decoding.cpp": [
        ('    if (byte <= 0x80) return byte;', '    if (byte < 0x80) return byte;'),
        ('    if (!PeekUnit(*reader, &trail)) return kReplacement;', '    if (!PeekUnit(*reader, &trail)) return byte;'),
        ('    if (character != 0 || trail.byte >= 0x80) NextUnit(reader, &trail);', '    if (character != 0 || trail.byte > 0x80) NextUnit(reader, &trail);'),
        ('    if (character != 0 || trail.byte >= 0x80) NextUnit(reader, &trail);', '    if (trail.byte >= 0x80) NextUnit(reader, &trail);'),
        ('        (lead - (lead < 0xA0 ? 0x81u : 0xC1u)) * 188 + trail - (trail < 0x7F ? 0x40u : 0x41u);', '        (lead - (lead < 0xA0 ? 0x81u : 0xC0u)) * 188 + trail - (trail < 0x7F ? 0x40u : 0x41u);'),
        ('        (lead - (lead < 0xA0 ? 0x81u : 0xC1u)) * 188 + trail - (trail < 0x7F ? 0x40u : 0x41u);', '        (lead - (lead < 0xA0 ? 0x81u : 0xC1u)) * 188 + trail - (trail < 0x7F ? 0x40u : 0x40u);'),
        ('        (lead - (lead < 0xA0 ? 0x81u : 0xC1u)) * 188 + trail - (trail < 0x7F ? 0x40u : 0x41u);', '        (lead - (lead < 0xA0 ? 0x81u : 0xC1u)) * 189 + trail - (trail < 0x7F ? 0x40u : 0x41u);'),
        ('    if (pointer >= kUserDefinedFirst && pointer <= kUserDefinedLast)', '    if (pointer > kUserDefinedFirst && pointer <= kUserDefinedLast)'),
        ('    if (pointer >= kUserDefinedFirst && pointer <= kUserDefinedLast)', '    if (pointer >= kUserDefinedFirst && pointer < kUserDefinedLast)'),
        ('    if (pointer > kUserDefinedLast) pointer -= kUserDefinedLast + 1 - kUserDefinedFirst;', '    if (pointer > kUserDefinedLast) pointer -= kUserDefinedLast - kUserDefinedFirst;'),
        ('    return pointer < kShiftJisIndexSize ? kShiftJisIndex[pointer] : 0;', '    return pointer <= kShiftJisIndexSize ? kShiftJisIndex[pointer] : 0;'),
        ('    return kShiftJisIndex[((code >> 8) - 0x21u) * 94 + (code & 0xFF) - 0x21u];', '    return kShiftJisIndex[((code >> 8) - 0x20u) * 94 + (code & 0xFF) - 0x21u];'),
        ('    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;', '    return byte >= 0x40 && byte <= 0xFC;'),
        ('    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;', '    return byte >= 0x40 && byte < 0xFC && byte != 0x7F;'),
        ('    if (text->used + 1 >= text->size) return false;', '    if (text->used + 1 > text->size) return false;'),
        ('            if (composed != 0) --text.used;', '            '),
        ('        out[0] = 0;', '        '),
        ("            unit->byte = static_cast<unsigned char>(p[0] == '+' ? ' ' : p[0]);", "            unit->byte = static_cast<unsigned char>(p[0] == '+' ? '+' : p[0]);"),
        ("        int high = left >= 3 && p[0] == '%' ? HexDigit(p[1]) : -1;", "        int high = left > 3 && p[0] == '%' ? HexDigit(p[1]) : -1;"),
        ('        if (unit->byte != 0) return true;', '        if (true) return true;'),
        ('        kept.character = text.used + 1;', '        kept.character = text.used;'),
        ('            last_kana = composed != 0 || IsMark(code) ? 0 : code;', '            last_kana = composed != 0 ? 0 : code;'),
        ('        if (code == 0 && has_next && unit.escaped &&', '        if (code == 0 && has_next && '),
        ('    return IsEscapedInQuery(first.byte) && (!second.escaped || IsEscapedInQuery(second.byte));', '    return IsEscapedInQuery(first.byte) && (second.escaped || IsEscapedInQuery(second.byte));'),
        ("        if (*pair != '&') return found;", "        if (*pair == '\\0') return found;"),
        ('    query = query != nullptr && (equals == nullptr || query < equals) ? query + 1 : address;', '    query = query != nullptr && (equals == nullptr || query > equals) ? query + 1 : address;'),
        ('    if (!IsLeadByte(classes, byte)) return kReplacement;', '    if (!IsLeadByte(classes, byte)) return byte;'),
        ('    char16_t character = IsShiftJisTrail(trail.byte) ? PairCodePoint(byte, trail.byte) : 0;', '    char16_t character = IsShiftJisTrail(trail.byte) || true ? PairCodePoint(byte, trail.byte) : 0;'),
        ("    if (digit >= '0' && digit <= '9') return digit - '0';", "    if (digit >= '0' && digit < '9') return digit - '0';"),
        ("    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;", "    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 11;"),
        ('    if (notes != nullptr) notes->ambiguity_count = 0;', '    if (notes != nullptr) '),
        ('    if (notes->ambiguity_count < kAmbiguitiesKept) {', '    if (notes->ambiguity_count <= kAmbiguitiesKept) {'),
    ],
}


def run(command, cwd):
    return subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=600).returncode == 0


def main():
    build = os.path.abspath(sys.argv[1])
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    tool = os.path.join(build, "bin", "regcomplete-check")
    fast = [
        [os.path.join(build, "tests", "bin", "core_tests")],
        [os.path.join(top, "tests", "stamp_tool_test.sh"), tool,
         os.path.join(build, "tests", "bin", "write_release_images")],
        [os.path.join(top, "tests", "check_tool_test.sh"), tool, "regist.example.com", "1.0.0"],
    ]
    for name in sys.argv[2:] or list(SLIPS):
        path = os.path.join(top, name)
        original = open(path).read()
        killed = 0
        slips = SLIPS[name]
        try:
            for old, new in slips:
                if old not in original:
                    print(f"  not found: {old!r}")
                    continue
                open(path, "w").write(original.replace(old, new, 1))
                built = run(["cmake", "--build", build, "-j2", "--target", "regcomplete-check",
                             "core_tests", "write_release_images"], top)
                dead = not built or not all(run(c, build) for c in fast)
                killed += dead
                print(f"  {'killed' if dead else 'LIVES '}: {old.strip()[:60]!r} -> {new.strip()[:40]!r}")
        finally:
            open(path, "w").write(original)
        print(f"{name}: {killed} of {len(slips)} killed")
    run(["cmake", "--build", build, "-j2"], top)


if __name__ == "__main__":
    main()
