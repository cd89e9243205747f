// Fuzzes FindQueryValue and DecodeQueryValue, the check tool's --decode, over any query and any
// output size, and over the program's own encoding of any code page 932 value. Whatever the
// input, nothing is read outside it (the raw value is a heap block of exactly its length, with no
// terminator to stop at), the output is zero-terminated in its buffer, whole or null and empty,
// and always fits one unit a byte; it holds no half-width katakana and no surrogate. A value with
// no katakana's code and no half-width katakana byte reads as a browser reads its bytes (the
// WHATWG Encoding Standard's Shift_JIS decoder, modelled below with glibc's code page 932 for the
// pairs, U+FFFD for what is no character). An encoded value
// decodes to the value (half-width katakana in full width, their marks composed as the model
// below says), as sent and with every unreserved "%XX" decoded, unless it holds a "%" that reads
// as the first byte of a katakana's code (the one ambiguity).
#include "request/query_decoding.h"

#include <errno.h>

#include <algorithm>

#include "code_page_text.h"
#include "../tests/test_support.h"
#include "fuzz_invariants.h"
#include "request/query_encoding.h"

namespace {

const char* const kKeys[] = {"productid", "username", "organization", "serialno"};

bool IsModelImage(unsigned code) {
    for (unsigned byte = 0xA1; byte <= 0xDF; ++byte) {
        if (ModelKanaJis(static_cast<unsigned char>(byte)) == code) return true;
    }
    return false;
}

// The JIS X 0208 code of a half-width letter with a half-width mark, 0 when there is none: ka to
// to and ha to ho have voiced forms right after them, ha to ho the semi-voiced ones after those,
// and voiced u stands at the end of row 5.
unsigned ModelComposed(unsigned char letter, unsigned char mark) {
    bool ha_row = InRange(letter, 0xCA, 0xCE);
    if (mark == 0xDE && letter == 0xB3) return 0x2574;
    if (mark == 0xDE && (InRange(letter, 0xB6, 0xC4) || ha_row)) return ModelKanaJis(letter) + 1;
    if (mark == 0xDF && ha_row) return ModelKanaJis(letter) + 2;
    return 0;
}

std::string Convert(const char* from, const std::string& text) {
    std::string out;
    return IconvText("UTF-8", from, text, &out) ? out
                                                : "(" + std::string(from) + " without a character)";
}

std::string JisToUtf8(unsigned code) {
    return Convert("EUC-JP", {static_cast<char>(0x80 | code >> 8), static_cast<char>(0x80 | code)});
}

// What `value` (valid code page 932 text) must read back as, in UTF-8; false when the value holds
// a "%" before a byte that, as sent, would make the pair a katakana's code.
bool ModelTyped(const std::string& value, std::string* typed) {
    typed->clear();
    const FuzzCodePage page = {932, false, {}};
    for (size_t i = 0; i < value.size(); ++i) {
        unsigned char byte = value[i];
        unsigned char next = i + 1 < value.size() ? value[i + 1] : 0;
        unsigned sent_next = ModelKana(page, next) ? ModelKanaJis(next) >> 8 : next;
        if (byte == '%' && next != 0 && IsModelImage(0x2500 | sent_next)) return false;
        if (ModelLead(page, byte)) {
            *typed += Convert("CP932", value.substr(i, 2));
            ++i;
        } else if (ModelKana(page, byte)) {
            unsigned composed = ModelComposed(byte, next);
            *typed += JisToUtf8(composed != 0 ? composed : ModelKanaJis(byte));
            if (composed != 0) ++i;
        } else {
            *typed += Convert("CP932", value.substr(i, 1));
        }
    }
    return true;
}

// A browser's reading of `bytes`, in UTF-8: U+FFFD for a lead byte without a trail byte, for a
// pair with no character and for 0xA0 and 0xFD-0xFF; an ASCII byte after a lead byte that makes no
// character with it is read again on its own.
std::string ModelBrowserRead(const std::string& bytes) {
    const FuzzCodePage page = {932, false, {}};
    std::string read;
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char byte = bytes[i];
        unsigned char trail = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        std::string character;
        if (byte < 0x80) {
            read += static_cast<char>(byte);
        } else if (byte == 0x80) {
            read += "\u0080";
        } else if (ModelLead(page, byte) && trail >= 0x40 && trail != 0x7F && trail <= 0xFC &&
                   IconvText("UTF-8", "CP932", bytes.substr(i, 2), &character)) {
            read += character;
            ++i;
        } else {
            read += "\uFFFD";
            if (ModelLead(page, byte) && trail >= 0x80) ++i;
        }
    }
    return read;
}

// The bytes of a raw value after percent-decoding ("+" a blank, a zero byte dropped); false when
// they hold a katakana's code (an escaped 0x21 or 0x25) or a half-width katakana byte.
bool BytesWithoutKana(const std::string& raw, std::string* bytes) {
    bytes->clear();
    for (size_t i = 0; i < raw.size(); ++i) {
        int high = raw[i] == '%' && i + 2 < raw.size() ? HexValue(raw[i + 1]) : -1;
        int low = high < 0 ? -1 : HexValue(raw[i + 2]);
        unsigned char byte = low >= 0 ? high * 16 + low : raw[i] == '+' ? ' ' : raw[i];
        if ((low >= 0 && (byte == 0x21 || byte == 0x25)) || InRange(byte, 0xA1, 0xDF)) return false;
        if (byte != 0) *bytes += static_cast<char>(byte);
        if (low >= 0) i += 2;
    }
    return true;
}

std::string WithUnreservedDecoded(const std::string& encoded) {
    std::string out;
    for (size_t i = 0; i < encoded.size(); ++i) {
        int high = encoded[i] == '%' && i + 2 < encoded.size() ? HexValue(encoded[i + 1]) : -1;
        int low = high < 0 ? -1 : HexValue(encoded[i + 2]);
        char byte = static_cast<char>(high * 16 + low);
        if (low >= 0 && (isalnum(static_cast<unsigned char>(byte)) || strchr("-._~", byte))) {
            out += byte;
            i += 2;
        } else {
            out += encoded[i];
        }
    }
    return out;
}

// Decodes `raw` into an output of exactly `out_size` units and checks what must hold of any
// decoding; the decoded text in UTF-8, or null when it did not fit.
std::unique_ptr<std::string> CheckedDecode(const std::string& raw, size_t out_size,
                                           const CharClass& classes) {
    std::unique_ptr<char[]> exact(new char[raw.size()]);
    memcpy(exact.get(), raw.data(), raw.size());
    std::unique_ptr<char16_t[]> out(new char16_t[out_size]);
    std::fill(out.get(), out.get() + out_size, u'Z');
    DecodeNotes notes;
    const char16_t* result =
        DecodeQueryValue(exact.get(), raw.size(), classes, out.get(), out_size, &notes);
    auto what = [&] { return "raw " + Shown(raw) + ", size " + std::to_string(out_size); };
    if (out_size == 0) {
        FUZZ_CHECK(result == nullptr, what());
        return nullptr;
    }
    FUZZ_CHECK(std::find(out.get(), out.get() + out_size, 0) != out.get() + out_size,
               what() + ": no terminating zero");
    std::u16string text = out.get();
    if (result == nullptr) {
        FUZZ_CHECK(text.empty() && out_size < raw.size() + 1, what() + ": " + Utf8(text.c_str()));
        return nullptr;
    }
    FUZZ_CHECK(result == out.get(), what());
    for (char16_t unit : text) {
        FUZZ_CHECK(!(unit >= 0xFF61 && unit <= 0xFF9F) && !(unit >= 0xD800 && unit < 0xE000),
                   what() + ": " + Utf8(text.c_str()));
    }
    std::string read = Utf8(text.c_str());
    std::string bytes;
    if (BytesWithoutKana(raw, &bytes)) {
        FUZZ_CHECK(read == ModelBrowserRead(bytes),
                   what() + ": " + Shown(read) + ", a browser " + Shown(ModelBrowserRead(bytes)));
    }
    for (size_t i = 0; i < notes.ambiguity_count && i < kAmbiguitiesKept; ++i) {
        const KanaAmbiguity& note = notes.ambiguities[i];
        FUZZ_CHECK(note.character >= 1 && note.character <= text.size() && note.typed[0] == '%' &&
                       IsModelImage(0x2500 | static_cast<unsigned char>(note.typed[1])),
                   what() + ": note " + std::to_string(i));
    }
    return std::unique_ptr<std::string>(new std::string(read));
}

}  // namespace

// Input: a mode byte, then for an even one two bytes of output size and a query whose values are
// decoded; for an odd one the value (up to a zero byte, code page 932), which is encoded and read
// back.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input = {data, size};
    CharClass classes;
    SetUpCharClass(&classes, 932, nullptr);
    if (input.TakeByte() % 2 == 0) {
        size_t out_size = input.TakeSize() % 8192;
        std::string query(reinterpret_cast<const char*>(input.data), input.size);
        std::unique_ptr<char[]> address =
            ExactCopy(query.substr(0, strnlen(query.c_str(), query.size())));
        for (const char* key : kKeys) {
            size_t length = 0;
            const char* found = FindQueryValue(address.get(), key, &length);
            if (found == nullptr) continue;
            FUZZ_CHECK(
                found > address.get() && found + length <= address.get() + strlen(address.get()),
                Shown(query));
            CheckedDecode(std::string(found, length), out_size, classes);
        }
        // And the whole input as one value, zero bytes and all.
        CheckedDecode(query, out_size, classes);
        return 0;
    }
    std::string value = input.TakeUntilZero();
    std::string typed;
    std::unique_ptr<char[]> value_copy = ExactCopy(value);
    char encoded[8192];
    if (!IsCodePageText(value.c_str(), value.size(), 932) || !ModelTyped(value, &typed) ||
        EncodeQueryValue(value_copy.get(), classes, encoded, sizeof encoded) == nullptr)
        return 0;
    for (const std::string& sent : {std::string(encoded), WithUnreservedDecoded(encoded)}) {
        std::unique_ptr<std::string> text = CheckedDecode(sent, sent.size() + 1, classes);
        FUZZ_CHECK(text != nullptr, Shown(sent));
        const std::string& read = *text;
        FUZZ_CHECK(read == typed, "value " + Shown(value) + " sent as " + Shown(sent) +
                                      " reads as " + Shown(read) + ", typed " + Shown(typed));
    }
    return 0;
}
