// startup_timer RUNS EXE_A CAPTION_A EXE_B CAPTION_B
// Times each program from process start until its dialog (found by caption) is visible, closes
// the dialog, and alternates A B A B so that both see the same machine. Prints every run, both
// medians and the ratio A / B. Captions are given as hexadecimal bytes, so that Shift_JIS survives
// Wine's conversion of Unix arguments.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

namespace {

constexpr int kMaxRuns = 200;
constexpr DWORD kGiveUpMs = 30000;

bool FromHex(const char* hex, char* out, size_t out_size) {
    size_t length = strlen(hex);
    if (length % 2 != 0 || length / 2 >= out_size) return false;
    for (size_t i = 0; i < length / 2; ++i) {
        char pair[3] = {hex[2 * i], hex[2 * i + 1], '\0'};
        out[i] = static_cast<char>(strtoul(pair, nullptr, 16));
    }
    out[length / 2] = '\0';
    return true;
}

// Milliseconds from CreateProcess until the dialog is visible, or a negative number on failure.
double TimeOneStart(const char* exe, const char* caption) {
    char command_line[MAX_PATH + 3];
    snprintf(command_line, sizeof command_line, "\"%s\"", exe);
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, command_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    double elapsed = -1;
    for (;;) {
        HWND dialog = FindWindowA(nullptr, caption);
        QueryPerformanceCounter(&now);
        double ms = 1000.0 * double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
        if (dialog != nullptr && IsWindowVisible(dialog)) {
            elapsed = ms;
            PostMessageA(dialog, WM_CLOSE, 0, 0);
            break;
        }
        if (ms > kGiveUpMs) {
            TerminateProcess(process.hProcess, 1);
            break;
        }
        Sleep(1);
    }
    WaitForSingleObject(process.hProcess, kGiveUpMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

int CompareDoubles(const void* a, const void* b) {
    double x = *static_cast<const double*>(a), y = *static_cast<const double*>(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

double Median(double* values, int count) {
    qsort(values, count, sizeof *values, CompareDoubles);
    return count % 2 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    char caption_a[256], caption_b[256];
    int runs = argc == 6 ? atoi(argv[1]) : 0;
    if (runs < 1 || runs > kMaxRuns || !FromHex(argv[3], caption_a, sizeof caption_a) ||
        !FromHex(argv[5], caption_b, sizeof caption_b)) {
        fprintf(stderr, "usage: startup_timer RUNS EXE_A CAPTION_A_HEX EXE_B CAPTION_B_HEX\n");
        return 2;
    }
    static double times_a[kMaxRuns], times_b[kMaxRuns];
    for (int i = 0; i < runs; ++i) {
        times_a[i] = TimeOneStart(argv[2], caption_a);
        times_b[i] = TimeOneStart(argv[4], caption_b);
        printf("run %2d: A %8.1f ms   B %8.1f ms\n", i + 1, times_a[i], times_b[i]);
        if (times_a[i] < 0 || times_b[i] < 0) return 1;
    }
    double median_a = Median(times_a, runs), median_b = Median(times_b, runs);
    printf("median A (regcomplete.exe): %.1f ms\n", median_a);
    printf("median B (reference dialog): %.1f ms\n", median_b);
    printf("ratio A/B: %.3f (budget 1.10)\n", median_a / median_b);
    return 0;
}
