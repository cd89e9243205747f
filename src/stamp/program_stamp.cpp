// The PE file's headers, its resource tree and its version resource, walked over bytes with every
// offset checked against the file's size, so that any file at all can be given. What a release
// must be to be stamped is what the linker leaves (a release build's .rdata and .rsrc, its
// checksum), so that a file damaged anywhere, or with a second marker that could be taken for the
// slot, is refused rather than made to look whole by a new checksum.
#include "stamp/program_stamp.h"

#include <string.h>

namespace {

constexpr uint16_t kVersionResourceType = 16;  // RT_VERSION
constexpr uint16_t kPe32Magic = 0x10B;
// Where a build puts the host slot, a constant: .rdata, initialised data that is only read.
constexpr char kSlotSectionName[8] = ".rdata";
constexpr uint32_t kSlotSectionCharacteristics = 0x40000040;  // INITIALIZED_DATA | MEM_READ
constexpr char kResourceSectionName[8] = ".rsrc";
constexpr char16_t kCommentsPrefix[] = u"Registration host: ";
static_assert(sizeof kCommentsPrefix / sizeof(char16_t) - 1 == kCommentsPrefixUnits,
              "the Comments slot starts with its prefix");

// An offset into the file, or a length: 64 bits wide on every width, so that the sum of a few
// 32-bit fields read from the headers cannot wrap (on i686, size_t would wrap at 4 GiB and a
// section ending past it would seem to end early). Each is checked against the file's size before
// it indexes a byte.
using Offset = uint64_t;

// A view of the file: every read is checked, and a read past the end gives 0 and marks it bad.
struct Bytes {
    const unsigned char* data;
    Offset size;
    bool bad;

    bool Has(Offset offset, Offset length) const {
        return offset <= size && length <= size - offset;
    }
    uint32_t Read(Offset offset, unsigned length) {
        if (!Has(offset, length)) {
            bad = true;
            return 0;
        }
        uint32_t value = 0;
        for (unsigned i = length; i > 0; --i) value = value << 8 | data[offset + i - 1];
        return value;
    }
    uint16_t U16(Offset offset) { return static_cast<uint16_t>(Read(offset, 2)); }
    uint32_t U32(Offset offset) { return Read(offset, 4); }
};

// Where the headers and the resource directory lie.
struct PeLayout {
    Offset checksum_offset;
    Offset security_entry;     // the certificate table's directory entry
    uint32_t security_offset;  // the certificate table (a signature): its file offset and size
    uint32_t security_size;
    Offset sections;  // offset of the section table
    unsigned section_count;
    uint32_t resource_rva;
};

bool ReadLayout(Bytes& file, PeLayout* layout) {
    if (file.U16(0) != 0x5A4D) return false;  // "MZ"
    Offset pe = file.U32(0x3C);
    if (file.U32(pe) != 0x00004550) return false;  // "PE\0\0"
    Offset optional = pe + 24;
    layout->section_count = file.U16(pe + 6);
    layout->sections = optional + file.U16(pe + 20);
    if (file.U16(optional) != kPe32Magic || file.U32(optional + 92) < 5) return false;
    layout->checksum_offset = optional + 64;
    layout->resource_rva = file.U32(optional + 96 + 2 * 8);
    layout->security_entry = optional + 96 + 4 * 8;
    layout->security_offset = file.U32(layout->security_entry);
    layout->security_size = file.U32(layout->security_entry + 4);
    return !file.bad;
}

// A section's header.
struct Section {
    char name[8];
    uint32_t rva;
    uint32_t raw;  // file offset of its data
    uint32_t raw_size;
    uint32_t loaded;  // how many bytes of it are loaded: its raw size, or less
    uint32_t characteristics;
};

Section SectionAt(Bytes& file, const PeLayout& layout, unsigned i) {
    Offset header = layout.sections + Offset{40} * i;
    Section section = {};
    for (unsigned c = 0; c < sizeof section.name; ++c)
        section.name[c] = static_cast<char>(file.Read(header + c, 1));
    uint32_t virtual_size = file.U32(header + 8);
    section.rva = file.U32(header + 12);
    section.raw_size = file.U32(header + 16);
    section.raw = file.U32(header + 20);
    section.loaded = section.raw_size < virtual_size ? section.raw_size : virtual_size;
    section.characteristics = file.U32(header + 36);
    return section;
}

// Whether the `length` bytes at `offset` lie in the loaded data of a section named `name`, and
// whether it has `characteristics` (0: any).
bool LiesIn(Bytes& file, const PeLayout& layout, Offset offset, Offset length, const char* name,
            uint32_t characteristics) {
    for (unsigned i = 0; i < layout.section_count && !file.bad; ++i) {
        Section section = SectionAt(file, layout, i);
        if (offset >= section.raw && offset - section.raw <= section.loaded &&
            length <= section.loaded - (offset - section.raw))
            return memcmp(section.name, name, sizeof section.name) == 0 &&
                   (characteristics == 0 || section.characteristics == characteristics);
    }
    return false;
}

// Where the last section's raw data ends.
Offset RawEnd(Bytes& file, const PeLayout& layout) {
    Offset end = 0;
    for (unsigned i = 0; i < layout.section_count; ++i) {
        Section section = SectionAt(file, layout, i);
        Offset section_end = Offset{section.raw} + section.raw_size;
        if (section.raw_size != 0 && section_end > end) end = section_end;
    }
    return end;
}

// The file offset of `rva`, or 0 when no section holds it with `length` bytes.
Offset OffsetOf(Bytes& file, const PeLayout& layout, uint32_t rva, Offset length) {
    for (unsigned i = 0; i < layout.section_count; ++i) {
        Section section = SectionAt(file, layout, i);
        uint32_t into = rva - section.rva;
        if (rva >= section.rva && into < section.raw_size && length <= section.raw_size - into &&
            file.Has(Offset{section.raw} + into, length))
            return Offset{section.raw} + into;
    }
    return 0;
}

// The first entry under the resource directory at `directory` (an offset into the resource
// section at `root`) with ID `id`, or the first entry of all when `id` is 0; its offset, or 0.
Offset FindEntry(Bytes& file, Offset root, Offset directory, uint16_t id) {
    unsigned named = file.U16(directory + 12);
    unsigned ids = file.U16(directory + 14);
    for (unsigned i = 0; i < named + ids && !file.bad; ++i) {
        Offset entry = directory + 16 + Offset{8} * i;
        uint32_t name = file.U32(entry);
        if (id == 0 || (i >= named && name == id)) return root + (file.U32(entry + 4) & 0x7FFFFFFF);
    }
    return 0;
}

// The version resource's bytes: `*offset` in the file and `*size`. False when there is none.
bool FindVersionResource(Bytes& file, const PeLayout& layout, Offset* offset, Offset* size) {
    Offset root = OffsetOf(file, layout, layout.resource_rva, 16);
    if (root == 0) return false;
    Offset names = FindEntry(file, root, root, kVersionResourceType);
    Offset languages = names != 0 ? FindEntry(file, root, names, 0) : 0;
    Offset data = languages != 0 ? FindEntry(file, root, languages, 0) : 0;
    if (data == 0 || file.bad) return false;
    uint32_t rva = file.U32(data);
    *size = file.U32(data + 4);
    *offset = OffsetOf(file, layout, rva, *size);
    return *offset != 0 && !file.bad;
}

Offset Align4(Offset offset) {
    return (offset + 3) & ~Offset{3};
}

bool KeyIs(Bytes& file, Offset key, const char16_t* wanted) {
    unsigned i = 0;
    for (; wanted[i] != 0; ++i)
        if (file.U16(key + 2 * i) != wanted[i]) return false;
    return file.U16(key + 2 * i) == 0 && !file.bad;
}

Offset KeyEnd(Bytes& file, Offset key, Offset end) {
    while (key + 2 <= end && file.U16(key) != 0) key += 2;
    return key + 2;
}

// The child of the version block at `block` whose key is `key`: its offset, or 0. Offsets are
// aligned from `base`, the resource's start, which is itself aligned.
Offset FindChild(Bytes& file, Offset base, Offset block, const char16_t* key) {
    Offset end = block + file.U16(block);
    Offset value_length = file.U16(block + 2);
    bool text = file.U16(block + 4) == 1;
    Offset child = base + Align4(KeyEnd(file, block + 6, end) - base);
    child = base + Align4(child + value_length * (text ? 2 : 1) - base);
    while (child + 6 <= end && !file.bad) {
        Offset length = file.U16(child);
        if (length < 6) break;  // shorter than its own header; at 0 the walk would stand still
        if (key == nullptr || KeyIs(file, child + 6, key)) return child;
        child = base + Align4(child + length - base);
    }
    return 0;
}

// A string value of the version resource: where its units start and how many there are with the
// terminating zero.
struct VersionValue {
    Offset offset;
    Offset units;
};

VersionValue FindString(Bytes& file, Offset base, Offset table, const char16_t* key) {
    Offset entry = FindChild(file, base, table, key);
    if (entry == 0) return VersionValue{0, 0};
    Offset end = entry + file.U16(entry);
    Offset value = base + Align4(KeyEnd(file, entry + 6, end) - base);
    Offset units = file.U16(entry + 2);
    if (!file.Has(value, 2 * units) || value + 2 * units > end) return VersionValue{0, 0};
    return VersionValue{value, units};
}

// The slots of a program: the host's, and the three values of the version resource.
struct Slots {
    size_t host_slot;  // offset of the marker
    size_t markers;    // how many markers the file holds
    Offset version;    // the version resource: its offset and size
    Offset version_size;
    VersionValue comments;
    VersionValue company;
    VersionValue copyright;
    bool original_name_matches;
};

// The first marker with room for its slot after it: its offset, or 0; `*count` every marker, to
// the very end of the file.
size_t FindHostSlot(const Bytes& file, size_t* count) {
    size_t length = sizeof kHostMarkerPrefix - 1;
    size_t first = 0;
    *count = 0;
    for (size_t i = 0; i + length <= file.size; ++i) {
        if (memcmp(file.data + i, kHostMarkerPrefix, length) != 0) continue;
        ++*count;
        if (first == 0 && sizeof(RegistrationHostSlot) <= file.size - i) first = i;
    }
    return first;
}

bool FindSlots(Bytes& file, const PeLayout& layout, Slots* slots) {
    Offset base = 0, size = 0;
    slots->host_slot = FindHostSlot(file, &slots->markers);
    if (slots->host_slot == 0 || !FindVersionResource(file, layout, &base, &size)) return false;
    slots->version = base;
    slots->version_size = size;
    Offset strings = FindChild(file, base, base, u"StringFileInfo");
    Offset table = strings != 0 ? FindChild(file, base, strings, nullptr) : 0;
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
// value of `units` UTF-16 units at `out`, ahead of its terminating zero.
void WriteValue(unsigned char* out, size_t units, const char16_t* prefix, const char* ascii,
                const char16_t* wide) {
    size_t at = 0;
    auto put = [&](char16_t unit) {
        out[2 * at] = static_cast<unsigned char>(unit & 0xFF);
        out[2 * at + 1] = static_cast<unsigned char>(unit >> 8);
        ++at;
    };
    for (size_t i = 0; prefix != nullptr && prefix[i] != 0; ++i) put(prefix[i]);
    for (size_t i = 0; ascii != nullptr && ascii[i] != 0; ++i)
        put(static_cast<unsigned char>(ascii[i]));
    for (size_t i = 0; wide != nullptr && wide[i] != 0; ++i) put(wide[i]);
    while (at < units - 1) put(u' ');
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

// The PE checksum of `size` bytes, `at(i)` the byte at `i`, the field at `skip` counting as zero.
template <typename ByteAt>
uint32_t Checksum(ByteAt at, size_t size, size_t skip) {
    uint64_t sum = 0;
    for (size_t i = 0; i < size; i += 2) {
        if (i == skip || i == skip + 2) continue;
        sum += at(i) | (i + 1 < size ? at(i + 1) << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + size);
}

bool ValueInVersion(Bytes& file, const PeLayout& layout, const Slots& slots,
                    const VersionValue& value) {
    return value.offset >= slots.version &&
           value.offset + 2 * value.units <= slots.version + slots.version_size &&
           LiesIn(file, layout, value.offset, 2 * value.units, kResourceSectionName, 0);
}

// Whether a release of this version is whole, as the linker left it and a signature after it.
bool IsWhole(Bytes& file, const PeLayout& layout, const Slots& slots) {
    Offset end = RawEnd(file, layout);
    bool ends_right = layout.security_size == 0
                          ? layout.security_offset == 0 && end == file.size
                          : layout.security_offset == end &&
                                layout.security_size == file.size - end && end < file.size;
    return ends_right && file.U32(layout.checksum_offset) == PeChecksum(file.data, file.size) &&
           slots.markers == 1 &&
           LiesIn(file, layout, slots.host_slot, sizeof(RegistrationHostSlot), kSlotSectionName,
                  kSlotSectionCharacteristics) &&
           ValueInVersion(file, layout, slots, slots.comments) &&
           ValueInVersion(file, layout, slots, slots.company) &&
           ValueInVersion(file, layout, slots, slots.copyright) && !file.bad;
}

// The unstamped release a whole release of this version was made from, as a view of its bytes:
// the slots as a build without a host leaves them, the signature and its directory entry gone,
// and the checksum made again.
struct Release {
    struct Patch {
        Offset offset;
        Offset length;
        const unsigned char* bytes;
    };
    const unsigned char* image;
    size_t size;
    Patch patches[6];
    unsigned char comments[2 * (kCommentsSlotUnits + 1)];
    unsigned char name[2 * (kNameSlotUnits + 1)];
    unsigned char checksum[4];

    unsigned char At(size_t i) const {
        for (const Patch& patch : patches)
            if (i >= patch.offset && i - patch.offset < patch.length)
                return patch.bytes[i - patch.offset];
        return image[i];
    }
};

void ReleaseSha256(const Bytes& file, const PeLayout& layout, const Slots& slots,
                   unsigned char digest[kSha256Size]) {
    static const unsigned char kZeros[kHostSlotSize] = {};
    Release release = {};
    release.image = file.data;
    release.size = layout.security_size != 0 ? layout.security_offset : file.size;
    WriteValue(release.comments, kCommentsSlotUnits + 1, nullptr, REGCOMPLETE_UNSTAMPED_COMMENTS,
               nullptr);
    WriteValue(release.name, kNameSlotUnits + 1, nullptr, nullptr, nullptr);
    release.patches[0] = {slots.host_slot + kHostMarkerSize, kHostSlotSize, kZeros};
    release.patches[1] = {slots.comments.offset, sizeof release.comments, release.comments};
    release.patches[2] = {slots.company.offset, sizeof release.name, release.name};
    release.patches[3] = {slots.copyright.offset, sizeof release.name, release.name};
    release.patches[4] = {layout.security_entry, 8, kZeros};
    release.patches[5] = {layout.checksum_offset, 4, release.checksum};
    auto at = [&release](size_t i) { return release.At(i); };
    uint32_t checksum = Checksum(at, release.size, layout.checksum_offset);
    for (size_t i = 0; i < 4; ++i)
        release.checksum[i] = static_cast<unsigned char>(checksum >> (8 * i));
    Sha256 hash;
    Sha256Start(&hash);
    for (size_t i = 0; i < release.size; ++i) {
        unsigned char byte = release.At(i);
        Sha256Feed(&hash, &byte, 1);
    }
    Sha256Finish(&hash, digest);
}

}  // namespace

uint32_t PeChecksum(const unsigned char* image, size_t size) {
    Bytes file{image, size, false};
    PeLayout layout = {};
    size_t skip = ReadLayout(file, &layout) ? layout.checksum_offset : size;
    return Checksum([image](size_t i) { return image[i]; }, size, skip);
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
    out->is_whole = IsWhole(file, layout, slots);
    out->stampable = out->is_release_of_this_version && out->is_whole && !out->is_signed;
    if (out->is_release_of_this_version && out->is_whole)
        ReleaseSha256(file, layout, slots, out->release_sha256);
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
    if (slots.markers != 1) return StampResult::kDamaged;  // which one is the slot is not known
    if (!IsThisRelease(file, slots.host_slot) || !SlotsHaveTheirSizes(slots))
        return StampResult::kNotThisRelease;
    if (!IsWhole(file, layout, slots)) return StampResult::kDamaged;
    if (layout.security_size != 0) return StampResult::kSigned;

    unsigned char* host = image + slots.host_slot + kHostMarkerSize;
    memset(host, 0, kHostSlotSize);
    memcpy(host, request.host, strlen(request.host));
    WriteValue(image + slots.comments.offset, slots.comments.units, kCommentsPrefix, request.host,
               nullptr);
    WriteValue(image + slots.company.offset, slots.company.units, nullptr, nullptr,
               request.company);
    WriteValue(image + slots.copyright.offset, slots.copyright.units, nullptr, nullptr,
               request.copyright);
    uint32_t checksum = PeChecksum(image, size);
    for (size_t i = 0; i < 4; ++i)
        image[layout.checksum_offset + i] = static_cast<unsigned char>(checksum >> (8 * i));
    return StampResult::kStamped;
}
