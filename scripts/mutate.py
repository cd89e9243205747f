#!/usr/bin/env python3
"""One-line slips, each made by hand, tried against the fast host tests alone.

usage: scripts/mutate.py BUILD_DIR FILE...   (BUILD_DIR: a host build with the tests)
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
        ("value < 0x100 && !character", "value < 0x100"),
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
        ("            PutWide(Stream::kErr, arguments.output.name);\n            Say(Stream::kErr, \"\\\"\\n\");\n            return 1;",
         "            PutWide(Stream::kErr, arguments.output.name);\n            Say(Stream::kErr, \"\\\"\\n\");\n            return 2;"),
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
    for name in sys.argv[2:]:
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
