// A small regcomplete.exe as a build lays it out, for the stamp's tests and fuzzer: the PE
// headers, code, the host slot in .rdata, a version resource in .rsrc with the three padded slots
// and OriginalFilename, and .reloc last, with the PE checksum. Only what the stamp reads is there,
// so that a row can break one thing at a time. The layout and the checksum are this file's own,
// written from the PE format, not from the code under test.
//
// Test code for the host: it may use the heap and std::vector freely.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "request/registration_host.h"
#include "version.h"

using Image = std::vector<unsigned char>;

// What the build was configured with, and how it is laid out.
struct ReleaseSettings {
    std::string host;  // empty: the release for every vendor
    std::u16string company;
    std::u16string copyright;
    bool rsrc_last = false;  // no .reloc after .rsrc
    int short_child = -1;    // 0 to 5: a child of that length, shorter than its header, ahead of
                             // the strings
    bool unpadded = false;   // the last section's raw data not padded to the file alignment
};

// Where the offsets of a built image lie, for the rows that break them.
struct ReleaseOffsets {
    size_t pe;  // "PE\0\0"
    size_t checksum;
    size_t security_entry;
    size_t section_table;
    size_t text;           // raw data of .text
    size_t slot;           // the marker
    size_t resource_data;  // the data entry of the version resource
    size_t rsrc_end;       // the end of .rsrc's raw data
};

constexpr size_t kFileAlignment = 0x200;
constexpr size_t kSectionHeaderSize = 40;

inline void Put16(Image& image, size_t at, unsigned value) {
    image[at] = static_cast<unsigned char>(value);
    image[at + 1] = static_cast<unsigned char>(value >> 8);
}
inline void Put32(Image& image, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) image[at + i] = static_cast<unsigned char>(value >> (8 * i));
}
inline uint32_t Get32(const Image& image, size_t at) {
    uint32_t value = 0;
    for (size_t i = 4; i > 0; --i) value = value << 8 | image[at + i - 1];
    return value;
}
inline void PadTo(Image& image, size_t alignment) {
    while (image.size() % alignment != 0) image.push_back(0);
}

// The PE checksum: the 16-bit words summed with their carries, the field itself left out, and
// the file's length added.
inline uint32_t ModelChecksum(const Image& image, size_t field) {
    uint64_t sum = 0;
    for (size_t i = 0; i < image.size(); i += 2) {
        if (i >= field && i < field + 4) continue;
        sum += image[i] + (i + 1 < image.size() ? image[i + 1] * 256u : 0u);
    }
    while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + image.size());
}
inline void RefreshChecksum(Image& image, const ReleaseOffsets& offsets) {
    Put32(image, offsets.checksum, ModelChecksum(image, offsets.checksum));
}

// A version block: header, key, value and children, each aligned to 4 from the block's start.
inline Image VersionBlock(const std::u16string& key, bool text, const Image& value,
                          unsigned value_length, const std::vector<Image>& children) {
    Image block(6);
    for (char16_t unit : key + u'\0') {
        block.push_back(static_cast<unsigned char>(unit));
        block.push_back(static_cast<unsigned char>(unit >> 8));
    }
    PadTo(block, 4);
    block.insert(block.end(), value.begin(), value.end());
    for (const Image& child : children) {
        PadTo(block, 4);
        block.insert(block.end(), child.begin(), child.end());
    }
    Put16(block, 0, static_cast<unsigned>(block.size()));
    Put16(block, 2, value_length);
    Put16(block, 4, text ? 1 : 0);
    return block;
}

// A string of the table: `text`, padded with blanks to `slot` units when `slot` is not 0.
inline Image VersionString(const std::u16string& key, std::u16string text, size_t slot) {
    if (slot != 0) text.resize(slot, u' ');
    text += u'\0';
    Image value;
    for (char16_t unit : text) {
        value.push_back(static_cast<unsigned char>(unit));
        value.push_back(static_cast<unsigned char>(unit >> 8));
    }
    return VersionBlock(key, true, value, static_cast<unsigned>(text.size()), {});
}

inline std::u16string Wide(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

inline Image VersionResource(const ReleaseSettings& settings) {
    std::u16string comments = settings.host.empty() ? Wide(REGCOMPLETE_UNSTAMPED_COMMENTS)
                                                    : u"Registration host: " + Wide(settings.host);
    std::vector<Image> strings;
    if (settings.short_child >= 0)
        strings.push_back(
            Image{static_cast<unsigned char>(settings.short_child), 0, 0, 0, 1, 0, 0, 0});
    strings.push_back(VersionString(u"Comments", comments, 19 + kHostSlotSize - 1));
    strings.push_back(VersionString(u"CompanyName", settings.company, REGCOMPLETE_NAME_SLOT_UNITS));
    strings.push_back(VersionString(u"FileVersion", Wide(REGCOMPLETE_VERSION), 0));
    strings.push_back(
        VersionString(u"LegalCopyright", settings.copyright, REGCOMPLETE_NAME_SLOT_UNITS));
    strings.push_back(VersionString(u"OriginalFilename", u"regcomplete.exe", 0));
    Image table = VersionBlock(u"041104B0", true, {}, 0, strings);
    Image string_info = VersionBlock(u"StringFileInfo", true, {}, 0, {table});
    Image fixed(52);
    Put32(fixed, 0, 0xFEEF04BD);
    return VersionBlock(u"VS_VERSION_INFO", false, fixed, 52, {string_info});
}

// The image a build with `settings` gives; `offsets` says where its offsets lie.
inline Image BuildRelease(const ReleaseSettings& settings, ReleaseOffsets* offsets = nullptr) {
    ReleaseOffsets at = {};
    struct Section {
        const char* name;
        uint32_t characteristics;
        Image data;
        uint32_t virtual_size;
    };
    std::vector<Section> sections;

    Image text(0x40, 0xC3);  // ret
    sections.push_back({".text", 0x60000020, text, 0x40});

    Image rdata(0x40, 0x11);
    std::string marker = REGCOMPLETE_HOST_MARKER(" release");
    size_t slot_in_rdata = rdata.size();
    rdata.insert(rdata.end(), marker.begin(), marker.end());
    rdata.resize(slot_in_rdata + kHostMarkerSize, 0);
    rdata.insert(rdata.end(), settings.host.begin(), settings.host.end());
    rdata.resize(slot_in_rdata + sizeof(RegistrationHostSlot), 0);
    rdata.resize(rdata.size() + 0x20, 0x22);
    sections.push_back({".rdata", 0x40000040, rdata, static_cast<uint32_t>(rdata.size())});

    // The resource tree: type 16 (RT_VERSION), name 1, language 0x411, its data entry, the data.
    Image rsrc(96);
    const uint32_t rsrc_rva = 0x3000;
    const uint32_t directories[3][2] = {{16, 24 | 0x80000000u}, {1, 48 | 0x80000000u}, {0x411, 72}};
    for (size_t level = 0; level < 3; ++level) {
        Put16(rsrc, 24 * level + 14, 1);  // one entry with an ID
        Put32(rsrc, 24 * level + 16, directories[level][0]);
        Put32(rsrc, 24 * level + 20, directories[level][1]);
    }
    Image version = VersionResource(settings);
    Put32(rsrc, 72, rsrc_rva + 96);
    Put32(rsrc, 76, static_cast<uint32_t>(version.size()));
    rsrc.insert(rsrc.end(), version.begin(), version.end());
    sections.push_back({".rsrc", 0xC0000040, rsrc, static_cast<uint32_t>(rsrc.size())});
    if (!settings.rsrc_last) sections.push_back({".reloc", 0x42000040, Image(0x10, 0x33), 0x10});

    Image image(0x400);
    image[0] = 'M';
    image[1] = 'Z';
    at.pe = 0x80;
    Put32(image, 0x3C, static_cast<uint32_t>(at.pe));
    memcpy(&image[at.pe], "PE\0\0", 4);
    Put16(image, at.pe + 4, 0x14C);  // i386
    Put16(image, at.pe + 6, static_cast<unsigned>(sections.size()));
    Put16(image, at.pe + 20, 224);  // the optional header's size
    Put16(image, at.pe + 22, 0x0102);
    size_t optional = at.pe + 24;
    Put16(image, optional, 0x10B);  // PE32
    Put32(image, optional + 32, 0x1000);
    Put32(image, optional + 36, kFileAlignment);
    Put32(image, optional + 60, 0x400);  // the headers' size
    at.checksum = optional + 64;
    Put32(image, optional + 92, 16);  // data directories
    Put32(image, optional + 96 + 2 * 8, rsrc_rva);
    Put32(image, optional + 96 + 2 * 8 + 4, static_cast<uint32_t>(rsrc.size()));
    at.security_entry = optional + 96 + 4 * 8;
    at.section_table = optional + 224;

    for (size_t i = 0; i < sections.size(); ++i) {
        Section& section = sections[i];
        size_t header = at.section_table + kSectionHeaderSize * i;
        size_t raw = image.size();
        memcpy(&image[header], section.name, strlen(section.name));
        Put32(image, header + 8, section.virtual_size);
        Put32(image, header + 12, static_cast<uint32_t>(0x1000 * (i + 1)));
        image.insert(image.end(), section.data.begin(), section.data.end());
        if (!settings.unpadded || i + 1 < sections.size()) PadTo(image, kFileAlignment);
        Put32(image, header + 16, static_cast<uint32_t>(image.size() - raw));
        Put32(image, header + 20, static_cast<uint32_t>(raw));
        Put32(image, header + 36, section.characteristics);
        if (i == 0) at.text = raw;
        if (i == 1) at.slot = raw + slot_in_rdata;
        if (i == 2) at.resource_data = raw + 72;
        if (i == 2) at.rsrc_end = image.size();
    }
    Put32(image, optional + 56, static_cast<uint32_t>(0x1000 * (sections.size() + 1)));
    RefreshChecksum(image, at);
    if (offsets != nullptr) *offsets = at;
    return image;
}

// `image` signed: a certificate table after the last section, named by its directory entry.
inline Image Signed(Image image, const ReleaseOffsets& offsets) {
    Put32(image, offsets.security_entry, static_cast<uint32_t>(image.size()));
    Put32(image, offsets.security_entry + 4, 16);
    Image table = {16, 0, 0, 0, 0, 2, 2, 0, 'c', 'e', 'r', 't', 'd', 'a', 't', 'a'};
    image.insert(image.end(), table.begin(), table.end());
    RefreshChecksum(image, offsets);
    return image;
}
