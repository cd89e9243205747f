#include "request/registration_host.h"

#include <string.h>

#ifdef NDEBUG
#define REGCOMPLETE_BUILD_KIND " release"
#else
#define REGCOMPLETE_BUILD_KIND " debug"
#endif

const RegistrationHostSlot kRegistrationHostSlot = {
    {REGCOMPLETE_HOST_MARKER(REGCOMPLETE_BUILD_KIND)}, {REGCOMPLETE_HOST}};

static_assert(sizeof REGCOMPLETE_HOST <= kHostSlotSize, "the registration host is too long");

const char* RegistrationHost() {
    return kRegistrationHostSlot.host;
}

namespace {

bool IsLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

bool IsRegistrationHostName(const char* host) {
    size_t length = strlen(host);
    if (length == 0 || length >= kHostSlotSize) return false;
    const char* colon = strchr(host, ':');
    size_t name_length = colon != nullptr ? static_cast<size_t>(colon - host) : length;
    if (name_length == 0 || !IsLetterOrDigit(host[0]) || !IsLetterOrDigit(host[name_length - 1]))
        return false;
    for (size_t i = 0; i < name_length; ++i)
        if (!IsLetterOrDigit(host[i]) && host[i] != '-' && host[i] != '.') return false;
    if (colon == nullptr) return true;
    if (colon[1] == '\0') return false;
    for (const char* p = colon + 1; *p != '\0'; ++p)
        if (*p < '0' || *p > '9') return false;
    return true;
}
