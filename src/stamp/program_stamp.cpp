// The PE file's headers, its resource tree and its version resource, walked over bytes with every
// offset checked against the file's size, so that any file at all can be given.
#include "stamp/program_stamp.h"

#include <string.h>

namespace {

constexpr uint16_t kVersionResourceType = 16;  // RT_VERSION
constexpr uint16_t kPe32Magic = 0x10B;
constexpr char16_t kCommentsPrefix[] = u"Registration host: ";
static_assert(sizeof kCommentsPrefix / sizeof(char16_t) - 1 == kCommentsPrefixUnits,
              "the Comments slot starts with its prefix");

// A view of the file: every read is checked, and a read past the end gives 0 and marks it bad.
struct Bytes {
    const unsigned char* data;
    size_t size;
    bool bad;

    bool Has(size_t offset, size_t length) const {
        return offset <= size && length <= size - offset;
    }
    uint32_t Read(size_t offset, size_t length) {
        if (!Has(offset, length)) {
            bad = true;
            return 0;
        }
        uint32_t value = 0;
        for (size_t i = length; i > 0; --i) value = value << 8 | data[offset + i - 1];
        return value;
    }
    uint16_t U16(size_t offset) { return static_cast<uint16_t>(Read(offset, 2)); }
    uint32_t U32(size_t offset) { return Read(offset, 4); }
};

// Where the headers and the resource directory lie.
struct PeLayout {
    size_t checksum_offset;
    uint32_t security_size;  // the certificate table: a signature
    size_t sections;         // offset of the section table
    unsigned section_count;
    uint32_t resource_rva;
};

bool ReadLayout(Bytes& file, PeLayout* layout) {
    if (file.U16(0) != 0x5A4D) return false;  // "MZ"
    size_t pe = file.U32(0x3C);
    if (file.U32(pe) != 0x00004550) return false;  // "PE\0\0"
    size_t optional = pe + 24;
    layout->section_count = file.U16(pe + 6);
    layout->sections = optional + file.U16(pe + 20);
    if (file.U16(optional) != kPe32Magic || file.U32(optional + 92) < 5) return false;
    layout->checksum_offset = optional + 64;
    layout->resource_rva = file.U32(optional + 96 + 2 * 8);
    layout->security_size = file.U32(optional + 96 + 4 * 8 + 4);
    return !file.bad;
}

// The file offset of `rva`, or 0 when no section holds it with `length` bytes.
size_t OffsetOf(Bytes& file, const PeLayout& layout, uint32_t rva, size_t length) {
    for (unsigned i = 0; i < layout.section_count; ++i) {
        size_t header = layout.sections + 40 * i;
        uint32_t start = file.U32(header + 12);
        uint32_t raw_size = file.U32(header + 16);
        uint32_t raw = file.U32(header + 20);
        if (rva >= start && rva - start < raw_size && length <= raw_size - (rva - start) &&
            file.Has(raw + (rva - start), length))
            return raw + (rva - start);
    }
    return 0;
}

// The first entry under the resource directory at `directory` (an offset into the resource
// section at `root`) with ID `id`, or the first entry of all when `id` is 0; its offset, or 0.
size_t FindEntry(Bytes& file, size_t root, size_t directory, uint16_t id) {
    unsigned named = file.U16(directory + 12);
    unsigned ids = file.U16(directory + 14);
    for (unsigned i = 0; i < named + ids && !file.bad; ++i) {
        size_t entry = directory + 16 + 8 * i;
        uint32_t name = file.U32(entry);
        if (id == 0 || (i >= named && name == id)) return root + (file.U32(entry + 4) & 0x7FFFFFFF);
    }
    return 0;
}

// The version resource's bytes: `*offset` in the file and `*size`. False when there is none.
bool FindVersionResource(Bytes& file, const PeLayout& layout, size_t* offset, size_t* size) {
    size_t root = OffsetOf(file, layout, layout.resource_rva, 16);
    if (root == 0) return false;
    size_t names = FindEntry(file, root, root, kVersionResourceType);
    size_t languages = names != 0 ? FindEntry(file, root, names, 0) : 0;
    size_t data = languages != 0 ? FindEntry(file, root, languages, 0) : 0;
    if (data == 0 || file.bad) return false;
    uint32_t rva = file.U32(data);
    *size = file.U32(data + 4);
    *offset = OffsetOf(file, layout, rva, *size);
    return *offset != 0 && !file.bad;
}

size_t Align4(size_t offset) {
    return (offset + 3) & ~size_t{3};
}

bool KeyIs(Bytes& file, size_t key, const char16_t* wanted) {
    size_t i = 0;
    for (; wanted[i] != 0; ++i)
        if (file.U16(key + 2 * i) != wanted[i]) return false;
    return file.U16(key + 2 * i) == 0 && !file.bad;
}

size_t KeyEnd(Bytes& file, size_t key, size_t end) {
    while (key + 2 <= end && file.U16(key) != 0) key += 2;
    return key + 2;
}

// The child of the version block at `block` whose key is `key`: its offset, or 0. Offsets are
// aligned from `base`, the resource's start, which is itself aligned.
size_t FindChild(Bytes& file, size_t base, size_t block, const char16_t* key) {
    size_t end = block + file.U16(block);
    size_t value_length = file.U16(block + 2);
    bool text = file.U16(block + 4) == 1;
    size_t child = base + Align4(KeyEnd(file, block + 6, end) - base);
    child = base + Align4(child + value_length * (text ? 2 : 1) - base);
    while (child + 6 <= end && !file.bad) {
        size_t length = file.U16(child);
        if (length == 0) break;
        if (key == nullptr || KeyIs(file, child + 6, key)) return child;
        child = base + Align4(child + length - base);
    }
    return 0;
}

// A string value of the version resource: where its units start and how many there are with the
// terminating zero.
struct VersionValue {
    size_t offset;
    size_t units;
};

VersionValue FindString(Bytes& file, size_t base, size_t table, const char16_t* key) {
    size_t entry = FindChild(file, base, table, key);
    if (entry == 0) return VersionValue{0, 0};
    size_t end = entry + file.U16(entry);
    size_t value = base + Align4(KeyEnd(file, entry + 6, end) - base);
    size_t units = file.U16(entry + 2);
    if (!file.Has(value, 2 * units) || value + 2 * units > end) return VersionValue{0, 0};
    return VersionValue{value, units};
}

// The slots of a program: the host's, and the three values of the version resource.
struct Slots {
    size_t host_slot;  // offset of the marker
    VersionValue comments;
    VersionValue company;
    VersionValue copyright;
    bool original_name_matches;
};

size_t FindHostSlot(const Bytes& file) {
    size_t length = sizeof kHostMarkerPrefix - 1;
    if (file.size < sizeof(RegistrationHostSlot)) return 0;
    for (size_t i = 0; i + sizeof(RegistrationHostSlot) <= file.size; ++i)
        if (memcmp(file.data + i, kHostMarkerPrefix, length) == 0) return i;
    return 0;
}

bool FindSlots(Bytes& file, const PeLayout& layout, Slots* slots) {
    size_t base = 0, size = 0;
    slots->host_slot = FindHostSlot(file);
    if (slots->host_slot == 0 || !FindVersionResource(file, layout, &base, &size)) return false;
    size_t strings = FindChild(file, base, base, u"StringFileInfo");
    size_t table = strings != 0 ? FindChild(file, base, strings, nullptr) : 0;
    if (table == 0) return false;
    slots->comments = FindString(file, base, table, u"Comments");
    slots->company = FindString(file, base, table, u"CompanyName");
    slots->copyright = FindString(file, base, table, u"LegalCopyright");
    VersionValue original = FindString(file, base, table, u"OriginalFilename");
    slots->original_name_matches =
        original.offset != 0 && KeyIs(file, original.offset, u"regcomplete.exe");
    return !file.bad;
}

size_t Length(const char16_t* text) {
    size_t length = 0;
    while (text != nullptr && text[length] != 0) ++length;
    return length;
}

// Writes `prefix` (ASCII or null), `text` (ASCII `ascii` or UTF-16 `wide`) and blanks into the
// `units`-unit value at `offset`, ahead of its terminating zero.
void WriteValue(unsigned char* image, const VersionValue& value, const char16_t* prefix,
                const char* ascii, const char16_t* wide) {
    size_t at = 0;
    auto put = [&](char16_t unit) {
        image[value.offset + 2 * at] = static_cast<unsigned char>(unit & 0xFF);
        image[value.offset + 2 * at + 1] = static_cast<unsigned char>(unit >> 8);
        ++at;
    };
    for (size_t i = 0; prefix != nullptr && prefix[i] != 0; ++i) put(prefix[i]);
    for (size_t i = 0; ascii != nullptr && ascii[i] != 0; ++i)
        put(static_cast<unsigned char>(ascii[i]));
    for (size_t i = 0; wide != nullptr && wide[i] != 0; ++i) put(wide[i]);
    while (at < value.units - 1) put(u' ');
    put(0);
}

// A value read back without the blanks of its padding, into `out` of `out_units`.
void ReadValue(Bytes& file, const VersionValue& value, char16_t* out, size_t out_units) {
    size_t length = 0;
    for (size_t i = 0; i + 1 < value.units && length + 1 < out_units; ++i)
        out[length++] = file.U16(value.offset + 2 * i);
    while (length > 0 && out[length - 1] == u' ') --length;
    out[length] = 0;
}

bool IsThisRelease(const Bytes& file, size_t host_slot) {
    // Zero-padded to the marker's size, as the slot holds it.
    static const char kReleaseMarker[kHostMarkerSize] = REGCOMPLETE_HOST_MARKER(" release");
    return memcmp(file.data + host_slot, kReleaseMarker, kHostMarkerSize) == 0;
}

bool SlotsHaveTheirSizes(const Slots& slots) {
    return slots.comments.units == kCommentsSlotUnits + 1 &&
           slots.company.units == kNameSlotUnits + 1 && slots.copyright.units == kNameSlotUnits + 1;
}

}  // namespace

uint32_t PeChecksum(const unsigned char* image, size_t size) {
    Bytes file{image, size, false};
    PeLayout layout = {};
    size_t skip = ReadLayout(file, &layout) ? layout.checksum_offset : size;
    uint64_t sum = 0;
    for (size_t i = 0; i < size; i += 2) {
        if (i == skip || i == skip + 2) continue;
        sum += image[i] | (i + 1 < size ? image[i + 1] << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + size);
}

bool ReadProgramStamp(const unsigned char* image, size_t size, ProgramStamp* out) {
    *out = ProgramStamp{};
    Bytes file{image, size, false};
    PeLayout layout = {};
    Slots slots = {};
    if (!ReadLayout(file, &layout) || !FindSlots(file, layout, &slots) ||
        !slots.original_name_matches)
        return false;
    memcpy(out->marker, image + slots.host_slot, kHostMarkerSize);
    out->marker[kHostMarkerSize - 1] = '\0';
    memcpy(out->host, image + slots.host_slot + kHostMarkerSize, kHostSlotSize);
    out->host[kHostSlotSize - 1] = '\0';
    ReadValue(file, slots.company, out->company, kNameSlotUnits + 1);
    ReadValue(file, slots.copyright, out->copyright, kNameSlotUnits + 1);
    out->is_release_of_this_version =
        IsThisRelease(file, slots.host_slot) && SlotsHaveTheirSizes(slots);
    out->is_signed = layout.security_size != 0;
    return true;
}

StampResult StampProgram(unsigned char* image, size_t size, const StampRequest& request) {
    if (request.host == nullptr || !IsRegistrationHostName(request.host))
        return StampResult::kNotAHostName;
    if (Length(request.company) > kNameSlotUnits || Length(request.copyright) > kNameSlotUnits)
        return StampResult::kNameTooLong;
    Bytes file{image, size, false};
    PeLayout layout = {};
    Slots slots = {};
    if (!ReadLayout(file, &layout) || !FindSlots(file, layout, &slots) ||
        !slots.original_name_matches)
        return StampResult::kNotThisProgram;
    if (!IsThisRelease(file, slots.host_slot) || !SlotsHaveTheirSizes(slots))
        return StampResult::kNotThisRelease;
    if (layout.security_size != 0) return StampResult::kSigned;

    unsigned char* host = image + slots.host_slot + kHostMarkerSize;
    memset(host, 0, kHostSlotSize);
    memcpy(host, request.host, strlen(request.host));
    WriteValue(image, slots.comments, kCommentsPrefix, request.host, nullptr);
    WriteValue(image, slots.company, nullptr, nullptr, request.company);
    WriteValue(image, slots.copyright, nullptr, nullptr, request.copyright);
    // A checksum the linker left at zero stays so, as it would in a build.
    uint32_t old_checksum = file.U32(layout.checksum_offset);
    uint32_t checksum = old_checksum != 0 ? PeChecksum(image, size) : 0;
    for (size_t i = 0; i < 4; ++i)
        image[layout.checksum_offset + i] = static_cast<unsigned char>(checksum >> (8 * i));
    return StampResult::kStamped;
}
