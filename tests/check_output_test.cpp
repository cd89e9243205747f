// The check tool's output layer: what each kind of piece becomes in each encoding a stream takes,
// so that no value acts on a terminal, forges a line or an escape, or reaches a code page as '?'.
#include "check_output.h"

#include <stdio.h>

#include <string>

#include <gtest/gtest.h>

#include "check_platform.h"
#include "test_support.h"

namespace {

enum class Piece { kOwnText, kText, kWide, kFileBytes, kCodePageBytes };

struct Case {
    const char* why;
    Piece piece;
    OutputEncoding encoding;
    unsigned code_page;  // of the output, for kCodePage; kCodePageBytes are in 932
    const char* input;   // UTF-8, or the bytes; for kWide, UTF-8 turned into UTF-16
    const char* expected;
};

std::string Written(Piece piece, const Output& output, const char* input, unsigned code_page,
                    const std::u16string& wide = u"") {
    switch (piece) {
        case Piece::kOwnText: SayTo(output, input); break;
        case Piece::kText: PutTextTo(output, input); break;
        case Piece::kWide: PutWideTo(output, wide.c_str()); break;
        case Piece::kFileBytes: PutFileBytesTo(output, input); break;
        case Piece::kCodePageBytes: PutCodePageTextTo(output, input, code_page, true); break;
    }
    fflush(output.file);
    std::string text;
    rewind(output.file);
    for (int c; (c = fgetc(output.file)) != EOF;) text += static_cast<char>(c);
    return text;
}

std::string Render(const Case& c, const std::u16string& wide) {
    FILE* file = tmpfile();
    Output output = {file, c.encoding, c.code_page};
    std::string text = Written(c.piece, output, c.input, 932, wide);
    fclose(file);
    return text;
}

constexpr OutputEncoding kUtf8 = OutputEncoding::kUtf8;
constexpr OutputEncoding kCodePage = OutputEncoding::kCodePage;
constexpr OutputEncoding kConsole = OutputEncoding::kConsole;  // on the host, UTF-8 as well

TEST(CheckOutput, EachPieceInEachEncoding) {
    const Case cases[] = {
        // A value never starts a line of its own, nor moves the cursor.
        {"a value ending in a line break forges no line", Piece::kText, kUtf8, 0, "a\n", "a\\x0A"},
        {"a UTF-16 value's line break too", Piece::kWide, kUtf8, 0, "a\n", "a\\x0A"},
        {"a file's line break too", Piece::kFileBytes, kUtf8, 0, "a\nb", "a\\x0Ab"},
        {"the details' line break too", Piece::kCodePageBytes, kUtf8, 932, "a\n", "a\\x0A"},
        {"the tool's own line end stays", Piece::kOwnText, kUtf8, 0, "a: b\n", "a: b\n"},
        {"a carriage return", Piece::kText, kUtf8, 0, "a\rb", "a\\x0Db"},
        {"the last control and the blank after it", Piece::kText, kUtf8, 0, "\x1F ", "\\x1F "},
        {"the last printable ASCII and DEL", Piece::kText, kUtf8, 0, "~\x7F", "~\\x7F"},
        {"the first and last C1 control, and the no-break space", Piece::kText, kUtf8, 0,
         "\xC2\x80\xC2\x9F\xC2\xA0", "\\u0080\\u009F\xC2\xA0"},
        {"the Arabic letter mark, between two that stay", Piece::kText, kUtf8, 0,
         "\xD8\x9B\xD8\x9C\xD8\x9D", "\xD8\x9B\\u061C\xD8\x9D"},
        {"the marks that turn text: U+200E and U+200F, not their neighbours", Piece::kText, kUtf8,
         0, "\xE2\x80\x8D\xE2\x80\x8E\xE2\x80\x8F\xE2\x80\x90",
         "\xE2\x80\x8D\\u200E\\u200F\xE2\x80\x90"},
        {"U+2028 to U+202E, not their neighbours", Piece::kText, kUtf8, 0,
         "\xE2\x80\xA7\xE2\x80\xA8\xE2\x80\xAE\xE2\x80\xAF",
         "\xE2\x80\xA7\\u2028\\u202E\xE2\x80\xAF"},
        {"U+2066 to U+2069, not their neighbours", Piece::kText, kUtf8, 0,
         "\xE2\x81\xA5\xE2\x81\xA6\xE2\x81\xA9\xE2\x81\xAA",
         "\xE2\x81\xA5\\u2066\\u2069\xE2\x81\xAA"},
        {"a byte that is no UTF-8, and an overlong NUL", Piece::kText, kUtf8, 0, "a\xFF\xC0\x80",
         "a\\xFF\\xC0\\x80"},
        {"a surrogate pair is one character", Piece::kWide, kUtf8, 0, "\xF0\xA0\xAE\xB7",
         "\xF0\xA0\xAE\xB7"},
        {"the last of each UTF-8 length and the first of the next", Piece::kWide, kUtf8, 0,
         "\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBD\xF0\x90\x80\x80",
         "\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBD\xF0\x90\x80\x80"},
        {"a file's byte beyond ASCII", Piece::kFileBytes, kUtf8, 0, "h\x80", "h\\x80"},
        // Escapes a reader can tell from a value's text.
        {"a value's text \\x1B is no escape", Piece::kText, kUtf8, 0, "C:\\x1B", "C:\\x5Cx1B"},
        {"nor \\u202E", Piece::kWide, kUtf8, 0, "\\u202E", "\\x5Cu202E"},
        {"a Windows path keeps its backslashes", Piece::kText, kUtf8, 0, "C:\\Program Files\\X\\",
         "C:\\Program Files\\X\\"},
        {"only the backslash right before x is escaped", Piece::kText, kUtf8, 0, "\\\\x",
         "\\\\x5Cx"},
        {"a capital X starts no escape", Piece::kText, kUtf8, 0, "\\X\\U", "\\X\\U"},
        {"a backslash before a control, then the control", Piece::kText, kUtf8, 0, "\\\x1B",
         "\\\\x1B"},
        {"a backslash before a byte that is no UTF-8", Piece::kText, kUtf8, 0, "\\\xFF", "\\\\xFF"},
        {"a file's \\x", Piece::kFileBytes, kUtf8, 0, "a\\xb", "a\\x5Cxb"},
        {"the tool's own text may name an escape", Piece::kOwnText, kUtf8, 0, "as \\xNN\n",
         "as \\xNN\n"},
        // A code page: each character it holds in its bytes, any other as an escape, never '?'.
        {"kanji in code page 932", Piece::kText, kCodePage, 932, "\xE5\xB1\xB1\xE7\x94\xB0 A",
         "\x8E\x52\x93\x63 A"},
        {"a character code page 932 lacks", Piece::kText, kCodePage, 932, "caf\xC3\xA9",
         "caf\\u00E9"},
        {"a character beyond U+FFFF, as its surrogate pair", Piece::kWide, kCodePage, 932,
         "\xF0\xA0\xAE\xB7\xE7\x94\xB0", "\\uD842\\uDFB7\x93\x63"},
        {"code page 1252 holds what 932 lacks", Piece::kText, kCodePage, 1252, "caf\xC3\xA9",
         "caf\xE9"},
        {"a backslash escaped in a code page too", Piece::kText, kCodePage, 932, "\\u", "\\x5Cu"},
        // The details' bytes: as they are in their own code page, whole characters.
        {"a trail byte 0x5C before x is no backslash", Piece::kCodePageBytes, kUtf8, 932,
         "\x95\x5Cx", "\x95\x5Cx"},
        {"a real backslash before x is", Piece::kCodePageBytes, kUtf8, 932, "\\x", "\\x5Cx"},
        {"a control byte", Piece::kCodePageBytes, kUtf8, 932, "a\x1B", "a\\x1B"},
        {"a lone lead byte at the end stays", Piece::kCodePageBytes, kUtf8, 932, "a\x95", "a\x95"},
        {"in the output's own code page, the very bytes", Piece::kCodePageBytes, kCodePage, 932,
         "\x8E\x52\xB1", "\x8E\x52\xB1"},
        {"in another code page than the output's, text: 1252 has no kanji", Piece::kCodePageBytes,
         kCodePage, 1252,
         "\x8E\x52"
         "a",
         "\\u5C71a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Render(c, c.piece == Piece::kWide ? U16(c.input) : u"")) << c.why;
    const Case unpaired[] = {
        {"an unpaired high surrogate", Piece::kWide, kUtf8, 0, "", "a\\uD800b"},
        {"an unpaired low surrogate", Piece::kWide, kUtf8, 0, "", "\\uDC00"},
    };
    EXPECT_EQ(unpaired[0].expected, Render(unpaired[0],
                                           u"a\xD800"
                                           u"b"))
        << unpaired[0].why;
    EXPECT_EQ(unpaired[1].expected, Render(unpaired[1], u"\xDC00")) << unpaired[1].why;
}

TEST(CheckOutput, PrintUtf8MakesTheDetailsText) {
    FILE* file = tmpfile();
    Output output = {file, kUtf8, 0};
    SetPrintUtf8(true);
    std::string text = Written(Piece::kCodePageBytes, output, "\x95\x5Cx", 932);
    SetPrintUtf8(false);
    fclose(file);
    EXPECT_EQ("\xE8\xA1\xA8x", text) << "表x as UTF-8, not its code page 932 bytes";
}

TEST(CheckOutput, NoCharacterSplitWhereTheBufferIsHandedOver) {
    struct Chunk {
        const char* why;
        OutputEncoding encoding;
        size_t lead;  // ASCII letters before the character
        const char* character;
        const char* expected;
    };
    const Chunk chunks[] = {
        {"a surrogate pair across the console's 256 units", kConsole, 255, "\xF0\xA0\xAE\xB7",
         "\xF0\xA0\xAE\xB7"},
        {"three bytes across 256 bytes", kUtf8, 254, "\xE5\xB1\xB1", "\xE5\xB1\xB1"},
        {"an escape across 256 bytes", kUtf8, 253, "\x1B", "\\x1B"},
    };
    for (const Chunk& c : chunks) {
        std::string input(c.lead, 'a');
        input += c.character;
        input += 'z';
        FILE* file = tmpfile();
        Output output = {file, c.encoding, 0};
        std::string text = Written(Piece::kText, output, input.c_str(), 0, U16(input.c_str()));
        fclose(file);
        EXPECT_EQ(std::string(c.lead, 'a') + c.expected + "z", text) << c.why;
    }
}

TEST(CheckOutput, OnlyNameSurrogatesAreLinks) {
    const struct {
        const char* why;
        unsigned long tag;
        bool link;
    } tags[] = {
        {"a symbolic link", 0xA000000C, true},
        {"a junction or mount point", 0xA0000003, true},
        {"a deduplicated file", 0x80000013, false},
        {"a file compressed by WOF", 0x80000017, false},
        {"a cloud file's placeholder", 0x9000001A, false},
        {"an app execution alias names no file it leads to", 0x8000001B, false},
    };
    for (const auto& t : tags) EXPECT_EQ(t.link, IsLinkReparseTag(t.tag)) << t.why;
}

}  // namespace
