// The check tool's one way to print (check_output.h). Each piece is walked as code points, so that
// one rule decides what is escaped whatever the piece came in; what is left goes to the stream in
// its encoding, through a small buffer handed over whole: UTF-16 units to a console, bytes
// elsewhere.
#include "check_output.h"

#include <stdarg.h>
#include <string.h>

#include "check_platform.h"
#include "code_page_text.h"
#include "codepage/char_class.h"

namespace {

constexpr size_t kChunkUnits = 256;      // handed over at a time; a character is never split
constexpr size_t kLongestCharacter = 8;  // bytes of one character in any code page or UTF-8

bool g_print_utf8 = false;  // set once, from the command line, before anything is printed

struct Writer {
    Output output;
    bool value;           // a value: a backslash before 'x' or 'u' is escaped
    bool held_backslash;  // a value's backslash, written once the character after it is known
    size_t used;          // units or bytes
    char16_t units[kChunkUnits];
    char bytes[kChunkUnits];
};

Output OutputOf(Stream stream) {
    Output output = {stream == Stream::kOut ? stdout : stderr, OutputEncoding::kConsole, 0};
    output.encoding = StreamEncoding(output.file, &output.code_page);
    if (output.encoding != OutputEncoding::kConsole && g_print_utf8)
        output.encoding = OutputEncoding::kUtf8;
    return output;
}

void StartWriter(const Output& output, bool value, Writer* writer) {
    writer->output = output;
    writer->value = value;
    writer->held_backslash = false;
    writer->used = 0;
}

void Flush(Writer* writer) {
    if (writer->used == 0) return;
    if (writer->output.encoding == OutputEncoding::kConsole)
        WriteConsoleUnits(writer->output.file, writer->units, writer->used);
    else
        fwrite(writer->bytes, 1, writer->used, writer->output.file);
    writer->used = 0;
}

// Room for `count` more units or bytes.
void MakeRoom(Writer* writer, size_t count) {
    if (writer->used + count > kChunkUnits) Flush(writer);
}

// ASCII, the same in every encoding the output takes.
void EmitAscii(Writer* writer, const char* text) {
    for (; *text != '\0'; ++text) {
        MakeRoom(writer, 1);
        if (writer->output.encoding == OutputEncoding::kConsole)
            writer->units[writer->used++] = static_cast<unsigned char>(*text);
        else
            writer->bytes[writer->used++] = *text;
    }
}

// \xNN for a byte, and for a character below U+0080 (a control, the same as its byte); \uNNNN for
// any other character, and beyond U+FFFF the two of its surrogate pair. So \x80 is always the
// byte 0x80, and U+0080 is \u0080.
void EmitEscape(Writer* writer, unsigned long value, bool character = false) {
    char escape[32];
    if (value >= 0x10000)
        snprintf(escape, sizeof escape, "\\u%04lX\\u%04lX", 0xD800 + ((value - 0x10000) >> 10),
                 0xDC00 + ((value - 0x10000) & 0x3FF));
    else
        snprintf(escape, sizeof escape, value < 0x80 || !character ? "\\x%02lX" : "\\u%04lX",
                 value);
    EmitAscii(writer, escape);
}

size_t ToUnits(unsigned long code_point, char16_t* units) {
    if (code_point < 0x10000) {
        units[0] = static_cast<char16_t>(code_point);
        return 1;
    }
    units[0] = static_cast<char16_t>(0xD800 + ((code_point - 0x10000) >> 10));
    units[1] = static_cast<char16_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
    return 2;
}

// A character as it is, in the output's encoding; escaped where the code page cannot hold it.
void EmitCharacter(Writer* writer, unsigned long code_point) {
    char16_t units[2];
    size_t unit_count = ToUnits(code_point, units);
    char bytes[kLongestCharacter];
    size_t length = 0;
    switch (writer->output.encoding) {
        case OutputEncoding::kConsole:
            MakeRoom(writer, unit_count);
            for (size_t i = 0; i < unit_count; ++i) {
                MakeRoom(writer, 1);  // never past the buffer, whatever came before
                writer->units[writer->used++] = units[i];
            }
            return;
        case OutputEncoding::kUtf8: length = CodePointToUtf8(code_point, bytes); break;
        case OutputEncoding::kCodePage:
            length = code_point < 0x80 ? CodePointToUtf8(code_point, bytes)
                                       : EncodeCharacter(writer->output.code_page, units,
                                                         unit_count, bytes, sizeof bytes);
            if (length == 0) return EmitEscape(writer, code_point, true);
            break;
    }
    MakeRoom(writer, length);
    memcpy(writer->bytes + writer->used, bytes, length);
    writer->used += length;
}

// A byte of the code page the output is in, as it is.
void EmitByte(Writer* writer, unsigned char byte) {
    MakeRoom(writer, 1);
    writer->bytes[writer->used++] = static_cast<char>(byte);
}

// The held backslash, now that `next` follows it: escaped when the two would read as an escape.
void ReleaseBackslash(Writer* writer, unsigned long next) {
    if (!writer->held_backslash) return;
    writer->held_backslash = false;
    if (next == 'x' || next == 'u')
        EmitAscii(writer, "\\x5C");
    else
        EmitCharacter(writer, '\\');
}

// Characters that act on a terminal, or make what follows them read in another order.
bool MustEscape(unsigned long code_point) {
    return code_point < 0x20 || (code_point >= 0x7F && code_point < 0xA0) || code_point == 0x061C ||
           code_point == 0x200E || code_point == 0x200F ||
           (code_point >= 0x2028 && code_point <= 0x202E) ||
           (code_point >= 0x2066 && code_point <= 0x2069) ||
           (code_point >= 0xD800 && code_point < 0xE000);
}

void AddCodePoint(Writer* writer, unsigned long code_point, bool keep_line_end) {
    ReleaseBackslash(writer, code_point);
    if (writer->value && code_point == '\\') {
        writer->held_backslash = true;
    } else if (keep_line_end && code_point == '\n') {
        EmitCharacter(writer, '\n');
    } else if (MustEscape(code_point)) {
        EmitEscape(writer, code_point, true);
    } else {
        EmitCharacter(writer, code_point);
    }
}

// A byte that is no character: escaped, after what the writer holds.
void AddBadByte(Writer* writer, unsigned char byte) {
    ReleaseBackslash(writer, byte);
    EmitEscape(writer, byte);
}

void Finish(Writer* writer) {
    ReleaseBackslash(writer, 0);
    Flush(writer);
}

void AddUtf8(Writer* writer, const char* text, bool keep_line_ends) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    size_t left = strlen(text);
    while (left > 0) {
        size_t length = Utf8SequenceLength(p, left);
        if (length == 0) {
            AddBadByte(writer, *p++);
            --left;
            continue;
        }
        unsigned long code_point = length == 1   ? p[0]
                                   : length == 2 ? p[0] & 0x1F
                                   : length == 3 ? p[0] & 0x0F
                                                 : p[0] & 0x07;
        for (size_t i = 1; i < length; ++i) code_point = (code_point << 6) | (p[i] & 0x3F);
        AddCodePoint(writer, code_point, keep_line_ends);
        p += length;
        left -= length;
    }
}

void AddWide(Writer* writer, const char16_t* text) {
    for (; *text != 0; ++text) {
        unsigned long unit = *text;
        if (unit >= 0xD800 && unit < 0xDC00 && text[1] >= 0xDC00 && text[1] < 0xE000) {
            AddCodePoint(writer, 0x10000 + ((unit - 0xD800) << 10) + (text[1] - 0xDC00), false);
            ++text;
        } else {
            AddCodePoint(writer, unit, false);
        }
    }
}

// Whether the details' bytes go out as they are: to a file or pipe in their own code page, or on
// the host's UTF-8 (the only other way a stream is UTF-8 is --print-utf8, which wants text).
bool WritesBytes(const Output& output, unsigned code_page) {
    return !g_print_utf8 &&
           (output.encoding == OutputEncoding::kUtf8 ||
            (output.encoding == OutputEncoding::kCodePage && output.code_page == code_page));
}

}  // namespace

void SetPrintUtf8(bool on) {
    g_print_utf8 = on;
}

void SayTo(const Output& output, const char* text) {
    Writer writer;
    StartWriter(output, false, &writer);
    AddUtf8(&writer, text, true);
    Finish(&writer);
}

void PutTextTo(const Output& output, const char* text) {
    Writer writer;
    StartWriter(output, true, &writer);
    AddUtf8(&writer, text, false);
    Finish(&writer);
}

void PutWideTo(const Output& output, const char16_t* text) {
    Writer writer;
    StartWriter(output, true, &writer);
    AddWide(&writer, text);
    Finish(&writer);
}

void PutFileBytesTo(const Output& output, const char* bytes) {
    Writer writer;
    StartWriter(output, true, &writer);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes); *p != 0; ++p) {
        if (*p >= 0x80)
            AddBadByte(&writer, *p);
        else
            AddCodePoint(&writer, *p, false);
    }
    Finish(&writer);
}

void PutCodePageTextTo(const Output& output, const char* bytes, unsigned code_page, bool as_bytes) {
    // A character takes at most three bytes of UTF-8 for each of its bytes in a code page.
    static char16_t wide[32768];
    static char utf8[3 * 32768];
    if (output.encoding == OutputEncoding::kConsole) {
        if (DecodeCodePage(code_page, bytes, wide, sizeof wide / sizeof wide[0]))
            PutWideTo(output, wide);
        return;
    }
    if (!as_bytes || !WritesBytes(output, code_page)) {
        CodePageToUtf8(bytes, code_page, utf8, sizeof utf8);
        return PutTextTo(output, utf8);
    }
    // A trail byte may look like a backslash or a control: each character is taken whole.
    CharClass classes;
    SetUpCharClass(&classes, code_page, nullptr);
    Writer writer;
    StartWriter(output, true, &writer);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes); *p != 0; ++p) {
        if (*p < 0x80) {
            AddCodePoint(&writer, *p, false);
            continue;
        }
        ReleaseBackslash(&writer, *p);
        EmitByte(&writer, *p);
        if (IsLeadByte(classes, *p) && p[1] != 0) EmitByte(&writer, *++p);
    }
    Finish(&writer);
}

void Say(Stream stream, const char* format, ...) {
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    SayTo(OutputOf(stream), text);
}

void PutText(Stream stream, const char* text) {
    PutTextTo(OutputOf(stream), text);
}

void PutWide(Stream stream, const char16_t* text) {
    PutWideTo(OutputOf(stream), text);
}

void PutFileBytes(Stream stream, const char* bytes) {
    PutFileBytesTo(OutputOf(stream), bytes);
}

void PutCodePageText(Stream stream, const char* bytes, unsigned code_page, bool as_bytes) {
    PutCodePageTextTo(OutputOf(stream), bytes, code_page, as_bytes);
}

void WriteUnitsAsUtf8(FILE* file, const char16_t* units, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        unsigned long code_point = units[i];
        if (code_point >= 0xD800 && code_point < 0xDC00 && i + 1 < count)
            code_point = 0x10000 + ((code_point - 0xD800) << 10) + (units[++i] - 0xDC00);
        char bytes[4];
        fwrite(bytes, 1, CodePointToUtf8(code_point, bytes), file);
    }
}
