// The check tool's one way to print (check_output.h): each piece is turned into UTF-16 with its
// escapes, then handed to the console as it is or written as UTF-8.
#include "check_output.h"

#include <stdarg.h>
#include <string.h>

#include "check_platform.h"
#include "code_page_text.h"

namespace {

constexpr size_t kChunkUnits = 256;  // units handed over at a time; a surrogate pair is never split

struct Writer {
    FILE* file;
    bool console;
    char16_t units[kChunkUnits];
    size_t used;
};

void StartWriter(Stream stream, Writer* writer) {
    writer->file = stream == Stream::kOut ? stdout : stderr;
    writer->console = IsConsole(writer->file);
    writer->used = 0;
}

void Flush(Writer* writer) {
    if (writer->used == 0) return;
    if (writer->console)
        WriteConsoleUnits(writer->file, writer->units, writer->used);
    else
        WriteUnitsAsUtf8(writer->file, writer->units, writer->used);
    writer->used = 0;
}

void AddUnit(Writer* writer, char16_t unit) {
    writer->units[writer->used++] = unit;
}

void AddAscii(Writer* writer, const char* text) {
    for (; *text != '\0'; ++text) {
        if (writer->used == kChunkUnits) Flush(writer);
        AddUnit(writer, static_cast<unsigned char>(*text));
    }
}

// \xNN below 0x100, \uNNNN above.
void AddEscape(Writer* writer, unsigned long value) {
    char escape[8];
    snprintf(escape, sizeof escape, value < 0x100 ? "\\x%02lX" : "\\u%04lX", value);
    AddAscii(writer, escape);
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
    if (keep_line_end && code_point == '\n') {
        if (writer->used == kChunkUnits) Flush(writer);
        return AddUnit(writer, u'\n');
    }
    if (MustEscape(code_point)) return AddEscape(writer, code_point);
    if (writer->used + 2 > kChunkUnits) Flush(writer);
    if (code_point >= 0x10000) {
        AddUnit(writer, static_cast<char16_t>(0xD800 + ((code_point - 0x10000) >> 10)));
        AddUnit(writer, static_cast<char16_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF)));
    } else {
        AddUnit(writer, static_cast<char16_t>(code_point));
    }
}

void AddUtf8(Writer* writer, const char* text, bool keep_line_ends) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    size_t left = strlen(text);
    while (left > 0) {
        size_t length = Utf8SequenceLength(p, left);
        if (length == 0) {
            AddEscape(writer, *p++);
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

void PutWideTo(Writer* writer, const char16_t* text) {
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

}  // namespace

void Say(Stream stream, const char* format, ...) {
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    Writer writer;
    StartWriter(stream, &writer);
    AddUtf8(&writer, text, true);
    Flush(&writer);
}

void PutText(Stream stream, const char* text) {
    Writer writer;
    StartWriter(stream, &writer);
    AddUtf8(&writer, text, false);
    Flush(&writer);
}

void PutWide(Stream stream, const char16_t* text) {
    Writer writer;
    StartWriter(stream, &writer);
    PutWideTo(&writer, text);
    Flush(&writer);
}

void PutFileBytes(Stream stream, const char* bytes) {
    Writer writer;
    StartWriter(stream, &writer);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes); *p != 0; ++p)
        if (*p >= 0x80)
            AddEscape(&writer, *p);
        else
            AddCodePoint(&writer, *p, false);
    Flush(&writer);
}

void PutCodePageText(Stream stream, const char* bytes, unsigned code_page, bool as_bytes) {
    // A character takes at most three bytes of UTF-8 for each of its bytes in a code page.
    static char16_t wide[32768];
    static char utf8[3 * 32768];
    FILE* file = stream == Stream::kOut ? stdout : stderr;
    if (IsConsole(file)) {
        if (DecodeCodePage(code_page, bytes, wide, sizeof wide / sizeof wide[0]))
            PutWide(stream, wide);
        return;
    }
    if (!as_bytes) {
        CodePageToUtf8(bytes, code_page, utf8, sizeof utf8);
        return PutText(stream, utf8);
    }
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes); *p != 0; ++p) {
        if (*p < 0x20 || *p == 0x7F)
            fprintf(file, "\\x%02X", *p);
        else
            fputc(*p, file);
    }
}

void WriteUnitsAsUtf8(FILE* file, const char16_t* units, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        unsigned long code_point = units[i];
        if (code_point >= 0xD800 && code_point < 0xDC00 && i + 1 < count)
            code_point = 0x10000 + ((code_point - 0xD800) << 10) + (units[++i] - 0xDC00);
        if (code_point < 0x80) {
            fputc(static_cast<int>(code_point), file);
        } else if (code_point < 0x800) {
            fputc(static_cast<int>(0xC0 | (code_point >> 6)), file);
            fputc(static_cast<int>(0x80 | (code_point & 0x3F)), file);
        } else if (code_point < 0x10000) {
            fputc(static_cast<int>(0xE0 | (code_point >> 12)), file);
            fputc(static_cast<int>(0x80 | ((code_point >> 6) & 0x3F)), file);
            fputc(static_cast<int>(0x80 | (code_point & 0x3F)), file);
        } else {
            fputc(static_cast<int>(0xF0 | (code_point >> 18)), file);
            fputc(static_cast<int>(0x80 | ((code_point >> 12) & 0x3F)), file);
            fputc(static_cast<int>(0x80 | ((code_point >> 6) & 0x3F)), file);
            fputc(static_cast<int>(0x80 | (code_point & 0x3F)), file);
        }
    }
}

void SetPrintUtf8(bool) {}
