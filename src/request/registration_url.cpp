// Composes the registration address. The host is a setting of the build.
#include "request/registration_url.h"

#include <string.h>

#include "options/option_table.h"
#include "request/query_encoding.h"
#include "version.h"

const char kRegistUrlSsl[] = "https://" REGCOMPLETE_HOST "/entry/regist.php";
const char kRegistUrlPlain[] = "http://" REGCOMPLETE_HOST "/entry/regist.php";

static_assert(sizeof kRegistUrlSsl <= kAddressSize, "the registration host name is too long");

namespace {

constexpr size_t kEncodedValueSize = 512;  // one encoded detail including its terminating zero

}  // namespace

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
