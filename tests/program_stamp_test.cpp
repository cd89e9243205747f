#include "stamp/program_stamp.h"

#include <string>

#include <gtest/gtest.h>

#include "release_image.h"
#include "test_support.h"

namespace {

const ReleaseSettings kUnstamped = {};

std::string Sha256Of(const Image& image) {
    Sha256 hash;
    Sha256Start(&hash);
    Sha256Feed(&hash, image.data(), image.size());
    unsigned char digest[kSha256Size];
    Sha256Finish(&hash, digest);
    return std::string(reinterpret_cast<const char*>(digest), sizeof digest);
}

std::string ReleaseOf(const ProgramStamp& stamp) {
    return std::string(reinterpret_cast<const char*>(stamp.release_sha256), kSha256Size);
}

// A stamp of `image`: the result, `image` changed in place.
StampResult Stamp(Image& image, const char* host, const char16_t* company = nullptr,
                  const char16_t* copyright = nullptr) {
    return StampProgram(image.data(), image.size(), StampRequest{host, company, copyright});
}

void WriteMarker(Image& image, size_t at) {
    memcpy(&image[at], kHostMarkerPrefix, sizeof kHostMarkerPrefix - 1);
}
size_t SectionHeader(const ReleaseOffsets& offsets, size_t index) {
    return offsets.section_table + kSectionHeaderSize * index;
}
// Where `text` first stands in `image` as UTF-16: a key of the version resource, or its value.
size_t Utf16At(const Image& image, const std::u16string& text) {
    std::string bytes(image.begin(), image.end()), wanted;
    for (char16_t unit : text)
        wanted += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes.find(wanted);
}
// A string entry of the version resource starts with its length and its value's length.
size_t EntryOf(const Image& image, const std::u16string& key) {
    return Utf16At(image, key) - 6;
}

// An unstamped release broken in one way, then stamped with a valid host; `refresh` makes its
// checksum right again, so that only the break itself can be the reason for the result.
struct DamageCase {
    const char* why;
    ReleaseSettings settings;
    void (*damage)(Image& image, const ReleaseOffsets& offsets);
    bool refresh;
    StampResult expected;
};
const DamageCase kDamageCases[] = {
    {"a whole release", kUnstamped, [](Image&, const ReleaseOffsets&) {}, false,
     StampResult::kStamped},
    {".rsrc as the last section: the values lie near the file's end",
     {"", u"", u"", true},
     [](Image&, const ReleaseOffsets&) {},
     false,
     StampResult::kStamped},
    {".rsrc last, not padded: the version resource ends the file",
     {"", u"", u"", true, -1, true},
     [](Image&, const ReleaseOffsets&) {},
     false,
     StampResult::kStamped},
    {"the slot ends exactly where its section's loaded data ends", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) {
         size_t rdata = Get32(image, SectionHeader(offsets, 1) + 20);
         Put32(image, SectionHeader(offsets, 1) + 8,
               static_cast<uint32_t>(offsets.slot - rdata + sizeof(RegistrationHostSlot)));
     },
     true, StampResult::kStamped},
    {"uninitialised data: a section with no raw data, its pointer past the file's end", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) {
         size_t bss = SectionHeader(offsets, 4);
         memcpy(&image[bss], ".bss", 4);
         Put32(image, bss + 8, 0x100);  // loaded, but nothing in the file
         Put32(image, bss + 12, 0x6000);
         Put32(image, bss + 20, 0x100000);
         Put16(image, offsets.pe + 6, 5);
     },
     true, StampResult::kStamped},
    {"four data directories: none for a certificate table", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) { Put32(image, offsets.pe + 24 + 92, 4); },
     true, StampResult::kNotThisProgram},
    {"a 64-bit program (PE32+)", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) { Put16(image, offsets.pe + 24, 0x20B); },
     true, StampResult::kNotThisProgram},
    {"a flipped code byte", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) { image[offsets.text + 3] ^= 0x01; }, false,
     StampResult::kDamaged},
    {"the checksum wrong in its upper half only", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) { image[offsets.checksum + 2] ^= 0x01; },
     false, StampResult::kDamaged},
    {"no checksum at all", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) { Put32(image, offsets.checksum, 0); }, false,
     StampResult::kDamaged},
    {"cut short after the version resource: .reloc gone", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) { image.resize(offsets.rsrc_end); }, true,
     StampResult::kDamaged},
    {"one byte appended", kUnstamped,
     [](Image& image, const ReleaseOffsets&) { image.push_back(0); }, true, StampResult::kDamaged},
    {"cut short inside .rsrc, its last section",
     {"", u"", u"", true},
     [](Image& image, const ReleaseOffsets& offsets) { image.resize(offsets.rsrc_end - 2); },
     true,
     StampResult::kDamaged},
    {"a second marker in the code, ahead of the slot", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) { WriteMarker(image, offsets.text); }, true,
     StampResult::kDamaged},
    {"a second marker at the very end of the file, no room for a slot after it", kUnstamped,
     [](Image& image, const ReleaseOffsets&) {
         WriteMarker(image, image.size() - (sizeof kHostMarkerPrefix - 1));
     },
     true, StampResult::kDamaged},
    {"the code's raw data ending past 4 GiB: its end wraps to a small one in 32 bits", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) {
         Put32(image, SectionHeader(offsets, 0) + 16, 0x100000200u - uint32_t(offsets.text));
     },
     true, StampResult::kDamaged},
    {"the slot's section writable", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) {
         Put32(image, SectionHeader(offsets, 1) + 36, 0xC0000040);
     },
     true, StampResult::kDamaged},
    {"the slot's section not .rdata", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) {
         image[SectionHeader(offsets, 1) + 2] = 'x';
     },
     true, StampResult::kDamaged},
    {"the slot runs past what the section loads", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) {
         Put32(image, SectionHeader(offsets, 1) + 8, 0x40 + kHostMarkerSize + 8);
     },
     true, StampResult::kDamaged},
    {"the values' section not .rsrc", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) {
         image[SectionHeader(offsets, 2) + 4] = 'x';
     },
     true, StampResult::kDamaged},
    {"the version resource ends ahead of its values", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) {
         Put32(image, offsets.resource_data + 4, 200);
     },
     true, StampResult::kDamaged},
    {"the version resource ends inside the copyright's value", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) {
         size_t value = Utf16At(image, u"LegalCopyright") + 30;  // the key and its zero
         size_t version = offsets.resource_data + 24;
         Put32(image, offsets.resource_data + 4,
               static_cast<uint32_t>(value + 2 * kNameSlotUnits - version));
     },
     true, StampResult::kDamaged},
    {"a certificate table's offset, but no size", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) {
         Put32(image, offsets.security_entry, static_cast<uint32_t>(image.size()));
     },
     true, StampResult::kDamaged},
    {"signed: the certificate table after the last section", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) { image = Signed(image, offsets); }, false,
     StampResult::kSigned},
    {"signed, and a byte after the certificate table", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) {
         image = Signed(image, offsets);
         image.push_back(0);
     },
     true, StampResult::kDamaged},
    {"the certificate table's entry points into the last section", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) {
         image = Signed(image, offsets);
         Put32(image, offsets.security_entry, Get32(image, offsets.security_entry) - 8);
     },
     true, StampResult::kDamaged},
    {"another version's marker", kUnstamped,
     [](Image& image, const ReleaseOffsets& offsets) {
         image[offsets.slot + sizeof kHostMarkerPrefix - 1] ^= 0x01;
     },
     true, StampResult::kNotThisRelease},
    {"the copyright's slot a unit short", kUnstamped,
     [](Image& image, const ReleaseOffsets&) { --image[EntryOf(image, u"LegalCopyright") + 2]; },
     true, StampResult::kNotThisRelease},
    {"a zero-length child ahead of the strings: the walk must stop",
     {"", u"", u"", false, 0},
     [](Image&, const ReleaseOffsets&) {},
     false,
     StampResult::kNotThisProgram},
    {"a child of length 4, shorter than its own header: the walk stops there too",
     {"", u"", u"", false, 4},
     [](Image&, const ReleaseOffsets&) {},
     false,
     StampResult::kNotThisProgram},
    {"OriginalFilename's value runs past its entry", kUnstamped,
     [](Image& image, const ReleaseOffsets&) { image[EntryOf(image, u"OriginalFilename")] -= 2; },
     true, StampResult::kNotThisProgram},
    {"another program's OriginalFilename that starts with ours", kUnstamped,
     [](Image& image, const ReleaseOffsets&) {
         image[Utf16At(image, u"regcomplete.exe") + 30] = 'x';  // over its terminating zero
     },
     true, StampResult::kNotThisProgram},
    {"another program's OriginalFilename", kUnstamped,
     [](Image& image, const ReleaseOffsets&) {
         std::string bytes(image.begin(), image.end());
         size_t name = bytes.find(std::string("r\0e\0g\0c\0o\0m\0p\0l\0e\0t\0e\0.\0e", 25));
         image[name] = 'x';
     },
     true, StampResult::kNotThisProgram},
    {"no PE file", kUnstamped, [](Image& image, const ReleaseOffsets&) { image[0] = 'X'; }, true,
     StampResult::kNotThisProgram},
};

TEST(ProgramStamp, StampsOnlyAWholeReleaseAndLeavesARefusedOneUntouched) {
    for (const DamageCase& c : kDamageCases) {
        ReleaseOffsets offsets;
        Image image = BuildRelease(c.settings, &offsets);
        c.damage(image, offsets);
        if (c.refresh) RefreshChecksum(image, offsets);
        Image stamped = image;
        EXPECT_EQ(c.expected, Stamp(stamped, "regist.example.jp")) << c.why;
        if (c.expected == StampResult::kStamped) {
            ReleaseSettings settings = c.settings;
            settings.host = "regist.example.jp";
            Image expected = BuildRelease(settings);
            c.damage(expected, offsets);
            if (c.refresh) RefreshChecksum(expected, offsets);
            EXPECT_TRUE(stamped == expected) << c.why << ": not the build's bytes";
        } else {
            EXPECT_TRUE(stamped == image) << c.why << ": refused, yet changed";
        }
        ProgramStamp read;
        bool is_program = ReadProgramStamp(image.data(), image.size(), &read);
        EXPECT_EQ(c.expected != StampResult::kNotThisProgram, is_program) << c.why;
        EXPECT_EQ(c.expected == StampResult::kStamped, is_program && read.stampable) << c.why;
    }
}

// Requests on a whole release, compared with the build configured with the same host and names.
struct RequestCase {
    const char* why;
    const char* host;
    const char* company;  // UTF-8
    const char* copyright;
    StampResult expected;
};
const std::string k127(127, 'c');
const std::string k128(128, 'c');
const RequestCase kRequestCases[] = {
    {"a name of exactly 127 units fills its slot", "regist.example.jp", k127.c_str(), "© 2026",
     StampResult::kStamped},
    {"a name of 128 units", "regist.example.jp", k128.c_str(), "© 2026", StampResult::kNameTooLong},
    {"a copyright of 128 units", "regist.example.jp", "", k128.c_str(), StampResult::kNameTooLong},
    {"Japanese names", "regist.example.jp", "例示株式会社", "© 2026", StampResult::kStamped},
    {"no host name", "regist/example", "", "© 2026", StampResult::kNotAHostName},
};

TEST(ProgramStamp, GivesTheBytesOfTheBuildWithTheSameHostAndNames) {
    for (const RequestCase& c : kRequestCases) {
        Image image = BuildRelease(kUnstamped);
        Image original = image;
        std::u16string company = U16(c.company), copyright = U16(c.copyright);
        EXPECT_EQ(c.expected, Stamp(image, c.host, company.c_str(), copyright.c_str())) << c.why;
        ReleaseSettings settings = {c.host, company, copyright};
        Image expected = c.expected == StampResult::kStamped ? BuildRelease(settings) : original;
        EXPECT_TRUE(image == expected) << c.why;
        ProgramStamp read;
        ASSERT_TRUE(ReadProgramStamp(image.data(), image.size(), &read)) << c.why;
        if (c.expected == StampResult::kStamped) {
            EXPECT_EQ(c.company, Utf8(read.company)) << c.why << ": read back";
        }
    }
}

// A stamped program stamped again: the bytes of the build with the second host and names alone.
struct RestampCase {
    const char* why;
    ReleaseSettings first;
    ReleaseSettings second;
};
const RestampCase kRestampCases[] = {
    {"a shorter host: nothing of the longer one left",
     {"registration.vendor-example.jp:8443", u"", u""},
     {"r.jp", u"", u""}},
    {"no names after names: blanks, not the old names",
     {"a.example", u"例示株式会社", u"© 2026"},
     {"a.example", u"", u""}},
    {"a longer host and names", {"a.jp", u"x", u""}, {"regist.vendor-example.jp", u"例示", u"©"}},
};

TEST(ProgramStamp, AStampReplacesAnEarlierOneWhole) {
    for (const RestampCase& c : kRestampCases) {
        Image image = BuildRelease(kUnstamped);
        ASSERT_EQ(StampResult::kStamped, Stamp(image, c.first.host.c_str(), c.first.company.c_str(),
                                               c.first.copyright.c_str()))
            << c.why;
        ASSERT_EQ(StampResult::kStamped,
                  Stamp(image, c.second.host.c_str(), c.second.company.c_str(),
                        c.second.copyright.c_str()))
            << c.why;
        EXPECT_TRUE(image == BuildRelease(c.second)) << c.why;
    }
}

// The checksum rewritten whole: a release whose checksum's upper half a stamp changes. The code
// word in .text is chosen so that the unstamped sum and the stamped one fall on either side of a
// carry into the upper half.
TEST(ProgramStamp, RewritesBothHalvesOfTheChecksum) {
    ReleaseOffsets offsets;
    for (unsigned word = 0; word < 0x10000; word += 0x100) {
        Image image = BuildRelease(kUnstamped, &offsets);
        Put16(image, offsets.text, word);
        RefreshChecksum(image, offsets);
        Image expected = BuildRelease({"regist.example.jp", u"", u""});
        Put16(expected, offsets.text, word);
        RefreshChecksum(expected, offsets);
        if (Get32(image, offsets.checksum) >> 16 == Get32(expected, offsets.checksum) >> 16)
            continue;
        ASSERT_EQ(StampResult::kStamped, Stamp(image, "regist.example.jp"));
        EXPECT_EQ(Get32(expected, offsets.checksum), Get32(image, offsets.checksum));
        return;
    }
    FAIL() << "no code word puts the two checksums on either side of a carry";
}

// What --show reads: the release a program was made from, signed or not, stamped or not.
struct ReadCase {
    const char* why;
    ReleaseSettings settings;
    bool sign;
    bool is_signed;
    bool stampable;
};
const ReadCase kReadCases[] = {
    {"the unstamped release: its own SHA-256", kUnstamped, false, false, true},
    {"stamped with a host and names",
     {"regist.example.jp:8080", u"例示株式会社", u"©"},
     false,
     false,
     true},
    {"signed: read, but not stamped again", kUnstamped, true, true, false},
    {"stamped, then signed", {"regist.example.jp", u"例示", u""}, true, true, false},
    {".rsrc the last section", {"", u"", u"", true}, false, false, true},
};

TEST(ProgramStamp, ReadsBackTheReleaseAProgramWasMadeFrom) {
    for (const ReadCase& c : kReadCases) {
        ReleaseSettings unstamped = kUnstamped;
        unstamped.rsrc_last = c.settings.rsrc_last;
        ReleaseOffsets offsets;
        Image image = BuildRelease(c.settings, &offsets);
        if (c.sign) image = Signed(image, offsets);
        ProgramStamp read;
        ASSERT_TRUE(ReadProgramStamp(image.data(), image.size(), &read)) << c.why;
        EXPECT_EQ(c.settings.host, read.host) << c.why;
        EXPECT_EQ(Utf8(c.settings.company.c_str()), Utf8(read.company)) << c.why;
        EXPECT_TRUE(read.is_release_of_this_version && read.is_whole) << c.why;
        EXPECT_EQ(c.is_signed, read.is_signed) << c.why;
        EXPECT_EQ(c.stampable, read.stampable) << c.why;
        EXPECT_TRUE(Sha256Of(BuildRelease(unstamped)) == ReleaseOf(read)) << c.why;
    }
    Image damaged = BuildRelease(kUnstamped);
    damaged.push_back(0);
    ProgramStamp read;
    ASSERT_TRUE(ReadProgramStamp(damaged.data(), damaged.size(), &read));
    EXPECT_FALSE(read.is_whole || read.stampable);
    EXPECT_EQ(std::string(kSha256Size, '\0'), ReleaseOf(read)) << "a damaged file names a release";
}

}  // namespace
