// The address of the vendor's registration form, filled in with the details from the command line.
#pragma once

#include <stddef.h>

#include "codepage/char_class.h"
#include "options/options.h"

constexpr size_t kAddressSize = 512;  // address including its terminating zero

enum class RegistrationScheme { kSsl, kPlain };

// The form's base address: "https://" (kSsl) or "http://", `host`, then "/entry/regist.php",
// into `out`. Null, with `out` empty, when there is no host (a release no vendor has stamped) or
// it does not fit.
const char* ComposeRegistrationBase(RegistrationScheme scheme, const char* host, char* out,
                                    size_t out_size);

// Writes `base` followed by the present details as query parameters, in the order of kOptions
// (option_table.h), into `out` and returns `out`. A detail whose key and whole encoded value do
// not fit in what is left of `out_size` is left out whole; the details after it still get their
// turn. `out` always holds at least the base address.
char* BuildRegistrationUrl(const char* base, const RegistrationOptions& options,
                           const CharClass& classes, char* out, size_t out_size);
