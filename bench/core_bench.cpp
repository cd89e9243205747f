// Google Benchmark of the work behind one registration: reading the options and building both
// addresses from a realistic Japanese command line.
#include <benchmark/benchmark.h>

#include "options/options.h"
#include "request/registration_url.h"
#include "sample_command_line.h"

namespace {

void BM_ParseAndBuildBothAddresses(benchmark::State& state) {
    CharClass classes;
    SetUpCharClass(&classes, 932, nullptr);
    static RegistrationOptions options;
    char ssl[kAddressSize];
    char plain[kAddressSize];
    for (auto _ : state) {
        ParseOptions(kSampleTail, classes, &options);
        BuildRegistrationUrl(kSampleSslBase, options, classes, ssl, sizeof ssl);
        BuildRegistrationUrl(kSamplePlainBase, options, classes, plain, sizeof plain);
        benchmark::DoNotOptimize(ssl);
        benchmark::DoNotOptimize(plain);
    }
}
BENCHMARK(BM_ParseAndBuildBothAddresses);

void BM_ParseOptions(benchmark::State& state) {
    CharClass classes;
    SetUpCharClass(&classes, 932, nullptr);
    static RegistrationOptions options;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseOptions(kSampleTail, classes, &options));
    }
}
BENCHMARK(BM_ParseOptions);

}  // namespace

BENCHMARK_MAIN();
