#include "request/registration_host.h"

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
