// The registration host as the shipped program carries it: in a slot of fixed size behind a
// marker, so that `regcomplete-check --stamp` can write a vendor's host into a released program
// and give exactly the bytes a build configured with that host gives. The host is read from the
// slot when a registration button is pressed, never at start-up.
#pragma once

#include <stddef.h>

#include "version.h"

// The host and its terminating zero; the rest of the slot is zeros.
constexpr size_t kHostSlotSize = 260;
// "regcomplete registration host ", the version and " release" (or " debug"), zero-padded.
constexpr size_t kHostMarkerSize = 48;

struct RegistrationHostSlot {
    char marker[kHostMarkerSize];
    char host[kHostSlotSize];
};

// The marker's text that every build of this program starts its slot with, before the version.
#define REGCOMPLETE_HOST_MARKER_PREFIX "regcomplete registration host "
constexpr char kHostMarkerPrefix[] = REGCOMPLETE_HOST_MARKER_PREFIX;
// The whole marker of this version's builds, `kind` being " release" or " debug".
#define REGCOMPLETE_HOST_MARKER(kind) REGCOMPLETE_HOST_MARKER_PREFIX REGCOMPLETE_VERSION kind

// This build's slot. In its own translation unit, so that no reader can take the host for a
// constant: a stamp changes it after the build.
extern const RegistrationHostSlot kRegistrationHostSlot;

// The host, or an empty string in a program that no vendor has stamped yet.
const char* RegistrationHost();

// What keeps a text from being a registration host the address can carry as it is: a DNS name of
// labels of 1 to 63 letters, digits and hyphens (none starting or ending with a hyphen, none
// empty), at most 253 characters in all, and optionally ":" and a port from 1 to 65535. The rule
// of regcomplete-check --stamp and --host; the configure step follows the same one
// (cmake/registration_host.cmake). Only the check tool links it: the program reads its slot as
// the stamp or the build left it.
enum class HostNameProblem {
    kNone,
    kEmpty,              // no name at all, or nothing before ":port"
    kNotTheHostAlone,    // an address: a scheme, a path, a query or a user
    kIpv6Literal,        // [::1] and the like, which the address does not take
    kNotAscii,           // an internationalised name in its own script, not in its xn-- form
    kBadCharacter,       // a blank, '_' or another character no host name holds
    kEmptyLabel,         // a dot at the start or the end, or two in a row
    kLabelTooLong,       // a label of more than 63 characters
    kHyphenAtLabelEdge,  // a label starting or ending with '-'
    kNameTooLong,        // more than 253 characters before the port
    kBadPort,            // a port that is no number from 1 to 65535
};
constexpr size_t kLongestHostName = 253;
constexpr size_t kLongestHostLabel = 63;

HostNameProblem RegistrationHostNameProblem(const char* host);

// The host that `given` names when it is more than a host name, into `out`: an address's host
// (after a scheme's "//" and a user's "@", before a path, a query or a fragment), or the name
// before a port that is no port, when that is a host name. False when there is none to give.
bool HostMeant(const char* given, char* out, size_t out_size);

// RegistrationHostNameProblem gives kNone.
bool IsRegistrationHostName(const char* host);
