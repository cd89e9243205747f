// Runs the parse and both addresses once, with callgrind counting instructions only inside
// MeasuredWork (run under `valgrind --tool=callgrind --collect-atstart=no
// --toggle-collect=MeasuredWork`). The byte classes are set up outside, as the program does once at
// start-up.
#include <stdio.h>

#include "options/options.h"
#include "request/registration_url.h"
#include "sample_command_line.h"

namespace {
RegistrationOptions g_options;
CharClass g_classes;
char g_ssl[kAddressSize];
char g_plain[kAddressSize];
}  // namespace

extern "C" __attribute__((noinline)) void MeasuredWork() {
    ParseOptions(kSampleTail, g_classes, &g_options);
    BuildRegistrationUrl(kSampleSslBase, g_options, g_classes, g_ssl, sizeof g_ssl);
    BuildRegistrationUrl(kSamplePlainBase, g_options, g_classes, g_plain, sizeof g_plain);
}

int main() {
    SetUpCharClass(&g_classes, 932, nullptr);
    MeasuredWork();
    printf("%s\n%s\n", g_ssl, g_plain);
    return 0;
}
