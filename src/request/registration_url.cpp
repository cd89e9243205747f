// Composes the registration address. The host is the program's slot (registration_host.h).
#include "request/registration_url.h"

#include <string.h>

#include "options/option_table.h"
#include "request/query_encoding.h"
#include "request/registration_host.h"

namespace {

constexpr size_t kEncodedValueSize = 512;  // one encoded detail including its terminating zero
constexpr char kFormPath[] = "/entry/regist.php";

static_assert(sizeof "https://" - 1 + kHostSlotSize - 1 + sizeof kFormPath <= kAddressSize,
              "the longest host's address fits the address buffer");

}  // namespace

const char* ComposeRegistrationBase(RegistrationScheme scheme, const char* host, char* out,
                                    size_t out_size) {
    if (out_size > 0) out[0] = '\0';
    if (host == nullptr || host[0] == '\0') return nullptr;
    const char* start = scheme == RegistrationScheme::kSsl ? "https://" : "http://";
    size_t length = strlen(start) + strlen(host) + strlen(kFormPath);
    if (length >= out_size) return nullptr;
    strcpy(out, start);
    strcat(out, host);
    strcat(out, kFormPath);
    return out;
}

char* BuildRegistrationUrl(const char* base, const RegistrationOptions& options,
                           const CharClass& classes, char* out, size_t out_size) {
    if (out_size == 0) return out;
    size_t length = strnlen(base, out_size - 1);
    memcpy(out, base, length);
    out[length] = '\0';

    bool first = true;
    // The details come in the table's order, which is the address's.
    for (const OptionRow& option : kOptions) {
        if (!IsDetail(option)) continue;
        const char* value = options.*(option.field);
        if (value == nullptr || value[0] == '\0') continue;
        char encoded[kEncodedValueSize];
        if (EncodeQueryValue(value, classes, encoded, sizeof encoded) == nullptr) continue;
        size_t key_length = strlen(option.query_key);
        size_t encoded_length = strlen(encoded);
        // the separator, the key, '=' and the value
        if (length + 1 + key_length + 1 + encoded_length >= out_size) continue;
        out[length++] = first ? '?' : '&';
        memcpy(out + length, option.query_key, key_length);
        length += key_length;
        out[length++] = '=';
        memcpy(out + length, encoded, encoded_length + 1);
        length += encoded_length;
        first = false;
    }
    return out;
}
