// Google Benchmark of regcomplete-check --decode on a 511-byte query, the longest an address of the
// program can carry: the decoder alone over the four details, and the command's whole work
// (decoding, the conversion to UTF-16 and printing, to /dev/null).
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include <benchmark/benchmark.h>

#include "codepage/char_class.h"
#include "decode_command.h"
#include "options/option_table.h"
#include "request/query_decoding.h"

namespace {

constexpr size_t kQueryLength = 511;

// Kanji, half-width katakana with marks and ASCII in every detail, padded to 511 bytes.
std::string LongestQuery() {
    std::string query =
        "productid=SAMPLE-2026&username=%8E%52%93%63%20%91%BE%98%59%20%25%64%25%5E%25%3F%21%2B"
        "&organization=%8A%94%8E%AE%89%EF%8E%D0%25%35%25%73%25%55%21%2C%25%6B%20%26%20Co."
        "&serialno=";
    while (query.size() + 12 <= kQueryLength) query += "%25%2B%21%2B";  // ｶﾞ
    query.append(kQueryLength - query.size(), '7');
    if (query.size() != kQueryLength) abort();
    return query;
}

void BM_DecodeFourDetails511(benchmark::State& state) {
    const std::string query = LongestQuery();
    CharClass classes;
    SetUpCharClass(&classes, 932, nullptr);
    char16_t out[kQueryLength + 1];
    DecodeNotes notes;
    for (auto _ : state) {
        for (const OptionRow& option : kOptions) {
            if (!IsDetail(option)) continue;
            size_t length = 0;
            const char* raw = FindQueryValue(query.c_str(), option.query_key, &length);
            benchmark::DoNotOptimize(
                DecodeQueryValue(raw, length, classes, out, sizeof out / sizeof out[0], &notes));
        }
    }
}
BENCHMARK(BM_DecodeFourDetails511)->Unit(benchmark::kMicrosecond);

void BM_RunDecode511(benchmark::State& state) {
    const std::string query = LongestQuery();
    // What the command prints goes to /dev/null; the benchmark's own report, after, to stdout.
    fflush(stdout);
    int saved = dup(1);
    int null = open("/dev/null", O_WRONLY);
    if (saved < 0 || null < 0 || dup2(null, 1) < 0) abort();
    for (auto _ : state) benchmark::DoNotOptimize(RunDecode(query.c_str()));
    fflush(stdout);
    dup2(saved, 1);
    close(null);
    close(saved);
}
BENCHMARK(BM_RunDecode511)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
