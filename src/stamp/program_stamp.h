// Stamping a released regcomplete.exe with a vendor's registration host and names, and reading
// them back. A release carries three slots of fixed size that a build fills from its settings:
// the host slot in the program's data (registration_host.h) and, in its version resource, the
// values Comments ("Registration host: " and the host), CompanyName and LegalCopyright, each padded
// with blanks to its slot. A stamp rewrites the slots in place and the PE checksum after them, so
// that nothing moves: stamping gives exactly the bytes a build configured with the same host and
// names gives. Only a whole release is stamped: its checksum right, nothing after its last section
// but a signature, one marker, each slot in the section a build puts it in.
//
// Blanking the slots again as a build without a host leaves them, and dropping a signature, gives
// back the unstamped release a program was made from: its SHA-256 names that release.
//
// Pure: the file is a byte buffer, the names UTF-16. The check tool reads and writes the files.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "request/registration_host.h"
#include "stamp/sha256.h"
#include "version.h"

// The version resource's slots, in UTF-16 units without the terminating zero.
constexpr size_t kCommentsPrefixUnits = 19;  // "Registration host: "
constexpr size_t kCommentsSlotUnits = kCommentsPrefixUnits + kHostSlotSize - 1;
constexpr size_t kNameSlotUnits = REGCOMPLETE_NAME_SLOT_UNITS;

struct StampRequest {
    const char* host;           // ASCII, a host name
    const char16_t* company;    // CompanyName; null or empty for none
    const char16_t* copyright;  // LegalCopyright; null or empty for none
};

enum class StampResult {
    kStamped,
    kNotAHostName,    // the host is no host name, or too long for its slot
    kNameTooLong,     // a name does not fit its slot
    kNotThisProgram,  // no regcomplete.exe: no host slot, or no version resource with its slots
    kNotThisRelease,  // regcomplete.exe, but not a release build of this version
    kDamaged,         // not whole: cut, grown, changed, two markers, or slots out of place
    kSigned,          // it carries a signature, which a stamp would break
};

// Stamps `image` (a whole regcomplete.exe of `size` bytes) in place. Anything but kStamped leaves
// it untouched.
StampResult StampProgram(unsigned char* image, size_t size, const StampRequest& request);

// What a program carries: its version and kind, host and names, the blanks of the padding
// left out.
struct ProgramStamp {
    char marker[kHostMarkerSize];  // "regcomplete registration host 1.0.0 release"
    char host[kHostSlotSize];      // empty: not stamped
    char16_t company[kNameSlotUnits + 1];
    char16_t copyright[kNameSlotUnits + 1];
    bool is_release_of_this_version;
    bool is_signed;
    bool is_whole;   // not damaged (StampResult::kDamaged)
    bool stampable;  // StampProgram accepts it, given a valid request
    // The SHA-256 of the unstamped release it was made from; all zeros unless a whole release of
    // this version.
    unsigned char release_sha256[kSha256Size];
};

// False when `image` is no regcomplete.exe.
bool ReadProgramStamp(const unsigned char* image, size_t size, ProgramStamp* out);

// The PE checksum of `image`, as the linker and Windows compute it (the field itself counts as
// zero).
uint32_t PeChecksum(const unsigned char* image, size_t size);
