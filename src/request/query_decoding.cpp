// The query value decoder: percent-decoding, then the encoder's steps backwards. Which JIS X 0208
// codes stand for half-width katakana comes from the encoder's own table (char_class.h), read
// backwards; the rest reads as a browser's Shift_JIS decoder reads it, so that what --decode shows
// is what a form in a browser shows. Every character is one UTF-16 unit: Shift_JIS has none
// beyond the Basic Multilingual Plane.
#include "request/query_decoding.h"

#include <string.h>

#include "request/query_decoding_index.h"
#include "request/query_encoding.h"

namespace {

// Half-width katakana bytes whose full-width forms the marks compose with.
constexpr unsigned char kHalfWidthU = 0xB3;
constexpr unsigned char kHalfWidthKa = 0xB6;  // the first letter with a voiced form
constexpr unsigned char kHalfWidthHo = 0xCE;  // the last letter with a voiced form
constexpr unsigned char kHalfWidthVoicedMark = 0xDE;
constexpr unsigned char kHalfWidthSemiVoicedMark = 0xDF;
// Voiced u, which JIS X 0208 keeps at the end of row 5 rather than after u.
constexpr uint16_t kJisVu = 0x2574;
constexpr char16_t kReplacement = 0xFFFD;

// One byte of the value after percent-decoding, and whether it arrived as "%XX".
struct Unit {
    unsigned char byte;
    bool escaped;
};

struct UnitReader {
    const char* raw;
    size_t length;
    size_t position;
};

int HexDigit(char digit) {
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
    return -1;
}

// The next byte of the value; false at its end. A decoded zero byte ends no C string here.
bool NextUnit(UnitReader* reader, Unit* unit) {
    while (reader->position < reader->length) {
        const char* p = reader->raw + reader->position;
        size_t left = reader->length - reader->position;
        int high = left >= 3 && p[0] == '%' ? HexDigit(p[1]) : -1;
        int low = high >= 0 ? HexDigit(p[2]) : -1;
        unit->escaped = low >= 0;
        if (unit->escaped) {
            unit->byte = static_cast<unsigned char>(high * 16 + low);
            reader->position += 3;
        } else {
            // A form reader takes a bare "+" for a blank; this encoder never sends one.
            unit->byte = static_cast<unsigned char>(p[0] == '+' ? ' ' : p[0]);
            reader->position += 1;
        }
        if (unit->byte != 0) return true;
    }
    return false;
}

bool PeekUnit(UnitReader reader, Unit* unit) {
    return NextUnit(&reader, unit);
}

// The half-width katakana whose full-width form has the JIS X 0208 code `code`, or 0.
unsigned char HalfWidthKanaOf(const CharClass& classes, unsigned code) {
    for (unsigned byte = 0x80; byte < 0x100; ++byte) {
        if (IsKanaByte(classes, byte) && FullWidthKanaCode(byte) == code)
            return static_cast<unsigned char>(byte);
    }
    return 0;
}

bool IsMark(uint16_t code) {
    return code == FullWidthKanaCode(kHalfWidthVoicedMark) ||
           code == FullWidthKanaCode(kHalfWidthSemiVoicedMark);
}

// The code of `letter` with the mark `mark`, or 0 when JIS X 0208 has no such character. From ka
// to ho the voiced and semi-voiced forms follow their letter, in the cells that no half-width
// katakana maps to.
uint16_t ComposedKana(const CharClass& classes, uint16_t letter, uint16_t mark) {
    bool voiced = mark == FullWidthKanaCode(kHalfWidthVoicedMark);
    if (voiced && letter == FullWidthKanaCode(kHalfWidthU)) return kJisVu;
    if (letter < FullWidthKanaCode(kHalfWidthKa) || letter > FullWidthKanaCode(kHalfWidthHo))
        return 0;
    unsigned composed = letter + (voiced ? 1u : 2u);
    for (unsigned cell = letter + 1u; cell <= composed; ++cell) {
        if (HalfWidthKanaOf(classes, cell) != 0) return 0;
    }
    return static_cast<uint16_t>(composed);
}

bool IsShiftJisTrail(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

struct DecodedText {
    char16_t* out;
    size_t size;
    size_t used;
};

bool Append(DecodedText* text, char16_t unit) {
    if (text->used + 1 >= text->size) return false;
    text->out[text->used++] = unit;
    return true;
}

// The character of the pair `lead`, `trail`, or 0 when it has none.
char16_t PairCodePoint(unsigned char lead, unsigned char trail) {
    unsigned pointer =
        (lead - (lead < 0xA0 ? 0x81u : 0xC1u)) * 188 + trail - (trail < 0x7F ? 0x40u : 0x41u);
    if (pointer >= kUserDefinedFirst && pointer <= kUserDefinedLast)
        return static_cast<char16_t>(0xE000 + pointer - kUserDefinedFirst);
    if (pointer > kUserDefinedLast) pointer -= kUserDefinedLast + 1 - kUserDefinedFirst;
    return pointer < kShiftJisIndexSize ? kShiftJisIndex[pointer] : 0;
}

// The character of a JIS X 0208 code: its row and cell, from 0x21 each, are its pointer's.
char16_t JisCodePoint(uint16_t code) {
    return kShiftJisIndex[((code >> 8) - 0x21u) * 94 + (code & 0xFF) - 0x21u];
}

// The character that starts with `byte`, taking its trail byte from `reader` when it has one.
char16_t ReadCharacter(const CharClass& classes, unsigned char byte, UnitReader* reader) {
    if (byte <= 0x80) return byte;
    if (!IsLeadByte(classes, byte)) return kReplacement;
    Unit trail;
    if (!PeekUnit(*reader, &trail)) return kReplacement;
    char16_t character = IsShiftJisTrail(trail.byte) ? PairCodePoint(byte, trail.byte) : 0;
    // A browser reads an ASCII byte that makes no character with the lead byte again, on its own.
    if (character != 0 || trail.byte >= 0x80) NextUnit(reader, &trail);
    return character != 0 ? character : kReplacement;
}

// Whether a katakana from the pair `first`, `second` may have been typed as those two bytes: the
// encoder escapes a typed first byte ("%") as it escapes a katakana's, and the second byte arrived
// as the encoder sends it when typed (or re-escaped on the way, which looks the same).
bool MayHaveBeenTyped(Unit first, Unit second) {
    return IsEscapedInQuery(first.byte) && (!second.escaped || IsEscapedInQuery(second.byte));
}

void NoteAmbiguity(DecodeNotes* notes, const DecodedText& text, Unit first, Unit second) {
    if (notes == nullptr) return;
    if (notes->ambiguity_count < kAmbiguitiesKept) {
        KanaAmbiguity& kept = notes->ambiguities[notes->ambiguity_count];
        kept.character = text.used + 1;
        kept.typed[0] = static_cast<char>(first.byte);
        kept.typed[1] = static_cast<char>(second.byte);
        kept.typed[2] = '\0';
    }
    ++notes->ambiguity_count;
}

}  // namespace

const char* FindQueryValue(const char* address, const char* key, size_t* length) {
    // A query's values may hold a bare "?", never a bare "=": the address's "?" comes before any.
    const char* query = strchr(address, '?');
    const char* equals = strchr(address, '=');
    query = query != nullptr && (equals == nullptr || query < equals) ? query + 1 : address;
    size_t key_length = strlen(key);
    const char* found = nullptr;
    for (const char* pair = query;; ++pair) {
        size_t pair_length = strcspn(pair, "&#");
        if (pair_length > key_length && memcmp(pair, key, key_length) == 0 &&
            pair[key_length] == '=') {
            found = pair + key_length + 1;
            *length = pair_length - key_length - 1;
        }
        pair += pair_length;
        if (*pair != '&') return found;
    }
}

char16_t* DecodeQueryValue(const char* raw, size_t length, const CharClass& classes, char16_t* out,
                           size_t out_size, DecodeNotes* notes) {
    if (notes != nullptr) notes->ambiguity_count = 0;
    if (out_size == 0) return nullptr;
    DecodedText text = {out, out_size, 0};
    UnitReader reader = {raw, length, 0};
    uint16_t last_kana = 0;  // the katakana just written, while a mark may compose with it
    bool fits = true;
    Unit unit;
    while (fits && NextUnit(&reader, &unit)) {
        Unit next = {};
        bool has_next = PeekUnit(reader, &next);
        uint16_t code = IsKanaByte(classes, unit.byte) ? FullWidthKanaCode(unit.byte) : 0;
        // A bare "!" or "%" was typed: the encoder escapes both bytes of a katakana's code.
        if (code == 0 && has_next && unit.escaped &&
            HalfWidthKanaOf(classes, unit.byte << 8 | next.byte) != 0) {
            code = static_cast<uint16_t>(unit.byte << 8 | next.byte);
            NextUnit(&reader, &next);
            if (MayHaveBeenTyped(unit, next)) NoteAmbiguity(notes, text, unit, next);
        }
        if (code != 0) {
            uint16_t composed =
                IsMark(code) && last_kana != 0 ? ComposedKana(classes, last_kana, code) : 0;
            if (composed != 0) --text.used;
            fits = Append(&text, JisCodePoint(composed != 0 ? composed : code));
            last_kana = composed != 0 || IsMark(code) ? 0 : code;
            continue;
        }
        last_kana = 0;
        fits = Append(&text, ReadCharacter(classes, unit.byte, &reader));
    }
    if (!fits) {
        out[0] = 0;
        return nullptr;
    }
    out[text.used] = 0;
    return out;
}
