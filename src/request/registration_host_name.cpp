// The rule of registration_host.h for a host name, apart from the slot, so that only the check
// tool, which stamps and checks hosts, links it; the program itself never needs it.
#include <string.h>

#include "request/registration_host.h"

// The longest name, a colon and the largest port fit the slot with its zero.
static_assert(kLongestHostName + 1 + 5 < kHostSlotSize, "a host name and port outgrow the slot");

namespace {

bool IsLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Each label of the `length` characters of `name` checked in turn.
HostNameProblem LabelsProblem(const char* name, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (!IsLetterOrDigit(name[i]) && name[i] != '-' && name[i] != '.')
            return HostNameProblem::kBadCharacter;
    size_t start = 0;
    for (;;) {
        const void* dot = memchr(name + start, '.', length - start);
        size_t end =
            dot != nullptr ? static_cast<size_t>(static_cast<const char*>(dot) - name) : length;
        size_t label = end - start;
        if (label == 0) return HostNameProblem::kEmptyLabel;
        if (label > kLongestHostLabel) return HostNameProblem::kLabelTooLong;
        if (name[start] == '-' || name[end - 1] == '-') return HostNameProblem::kHyphenAtLabelEdge;
        if (dot == nullptr) return HostNameProblem::kNone;
        start = end + 1;
    }
}

HostNameProblem PortProblem(const char* port) {
    size_t digits = strlen(port);
    if (digits == 0 || digits > 5) return HostNameProblem::kBadPort;
    unsigned long value = 0;
    for (size_t i = 0; i < digits; ++i) {
        if (port[i] < '0' || port[i] > '9') return HostNameProblem::kBadPort;
        value = value * 10 + static_cast<unsigned long>(port[i] - '0');
    }
    return value >= 1 && value <= 65535 ? HostNameProblem::kNone : HostNameProblem::kBadPort;
}

}  // namespace

HostNameProblem RegistrationHostNameProblem(const char* host) {
    if (host[0] == '\0') return HostNameProblem::kEmpty;
    // What an address holds besides the host says most about what was meant: that comes first.
    if (strpbrk(host, "/?#@") != nullptr) return HostNameProblem::kNotTheHostAlone;
    const char* colon = strchr(host, ':');
    if (host[0] == '[' || (colon != nullptr && strchr(colon + 1, ':') != nullptr))
        return HostNameProblem::kIpv6Literal;
    for (const char* p = host; *p != '\0'; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80) return HostNameProblem::kNotAscii;
    size_t length = colon != nullptr ? static_cast<size_t>(colon - host) : strlen(host);
    if (length == 0) return HostNameProblem::kEmpty;
    if (length > kLongestHostName) return HostNameProblem::kNameTooLong;
    HostNameProblem problem = LabelsProblem(host, length);
    if (problem != HostNameProblem::kNone || colon == nullptr) return problem;
    return PortProblem(colon + 1);
}

namespace {

// The `length` characters at `text` into `out` if they are a host name.
bool TakeIfHostName(const char* text, size_t length, char* out, size_t out_size) {
    if (length >= out_size) return false;
    memcpy(out, text, length);
    out[length] = '\0';
    if (RegistrationHostNameProblem(out) == HostNameProblem::kNone) return true;
    out[0] = '\0';
    return false;
}

}  // namespace

bool HostMeant(const char* given, char* out, size_t out_size) {
    if (out_size == 0) return false;
    out[0] = '\0';
    const char* scheme_end = strstr(given, "://");
    const char* start = scheme_end != nullptr ? scheme_end + 3 : given;
    size_t length = strcspn(start, "/?#");
    for (size_t i = length; i > 0; --i) {
        if (start[i - 1] == '@') {
            length -= i;
            start += i;
            break;
        }
    }
    if (TakeIfHostName(start, length, out, out_size)) return true;
    const void* colon = memchr(start, ':', length);
    return colon != nullptr &&
           TakeIfHostName(start, static_cast<size_t>(static_cast<const char*>(colon) - start), out,
                          out_size);
}

bool IsRegistrationHostName(const char* host) {
    return RegistrationHostNameProblem(host) == HostNameProblem::kNone;
}
