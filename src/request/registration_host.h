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

// A host name the address can carry as it is: letters, digits, '-' and '.', not starting or
// ending with '-' or '.', optionally ":" and a port number; not empty, and shorter than the slot.
bool IsRegistrationHostName(const char* host);
