// startup_timer ROUNDS EXE_1 CAPTION_1 EXE_2 CAPTION_2 [EXE_3 CAPTION_3]
// Times each program from process start until its dialog (found by caption, in the started process)
// is visible, then closes the dialog. One round starts every program once, one after the other, so
// that all of them see the same machine; the first two swap places every other round, so that
// neither of the two compared most closely always runs right after the same one. Prints every
// round, each median and the ratio of the first program's median to each other's. Captions are
// given as hexadecimal bytes, so that Shift_JIS survives Wine's conversion of Unix arguments.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

namespace {

constexpr int kMaxRounds = 200;
constexpr int kMaxPrograms = 3;
constexpr DWORD kGiveUpMs = 30000;
constexpr size_t kCaptionSize = 256;  // caption bytes and the terminating zero

struct Program {
    const char* exe;
    const char* name;  // the file name, for the figures
    char caption[kCaptionSize];
    double times[kMaxRounds];
};

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

const char* FileName(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    return name;
}

// Two of the programs show the same caption; only the started process's window counts.
HWND FindVisibleDialog(const char* caption, DWORD process_id) {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, nullptr, caption)) != nullptr) {
        DWORD owner_id = 0;
        GetWindowThreadProcessId(window, &owner_id);
        if (owner_id == process_id && IsWindowVisible(window)) return window;
    }
    return nullptr;
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
        HWND dialog = FindVisibleDialog(caption, process.dwProcessId);
        QueryPerformanceCounter(&now);
        double ms = 1000.0 * double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
        if (dialog != nullptr) {
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
    // The next start must not overlap this one's exit.
    if (WaitForSingleObject(process.hProcess, kGiveUpMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        elapsed = -1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

int CompareDoubles(const void* a, const void* b) {
    double x = *static_cast<const double*>(a), y = *static_cast<const double*>(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

double Median(const double* values, int count) {
    static double sorted[kMaxRounds];
    memcpy(sorted, values, count * sizeof *values);
    qsort(sorted, count, sizeof *sorted, CompareDoubles);
    return count % 2 ? sorted[count / 2] : (sorted[count / 2 - 1] + sorted[count / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    static Program programs[kMaxPrograms];
    int count = (argc - 2) / 2;
    int rounds = argc >= 2 ? atoi(argv[1]) : 0;
    bool usable =
        argc % 2 == 0 && count >= 2 && count <= kMaxPrograms && rounds >= 2 && rounds <= kMaxRounds;
    for (int p = 0; usable && p < count; ++p) {
        programs[p].exe = argv[2 + 2 * p];
        programs[p].name = FileName(programs[p].exe);
        usable = FromHex(argv[3 + 2 * p], programs[p].caption, kCaptionSize);
    }
    if (!usable) {
        fprintf(stderr,
                "usage: startup_timer ROUNDS EXE CAPTION_HEX EXE CAPTION_HEX "
                "[EXE CAPTION_HEX]\n");
        return 2;
    }

    for (int round = 0; round < rounds; ++round) {
        int order[kMaxPrograms];
        for (int p = 0; p < count; ++p) order[p] = p;
        if (round % 2 == 1) order[0] = 1, order[1] = 0;
        for (int i = 0; i < count; ++i) {
            Program& program = programs[order[i]];
            program.times[round] = TimeOneStart(program.exe, program.caption);
            if (program.times[round] < 0) {
                fprintf(stderr, "round %d: %s showed no dialog\n", round + 1, program.name);
                return 1;
            }
        }
        printf("round %3d:", round + 1);
        for (int p = 0; p < count; ++p)
            printf("  %s %7.1f ms", programs[p].name, programs[p].times[round]);
        printf("\n");
    }

    double medians[kMaxPrograms];
    for (int p = 0; p < count; ++p) {
        medians[p] = Median(programs[p].times, rounds);
        printf("median %s: %.1f ms\n", programs[p].name, medians[p]);
    }
    // Each half on its own shows how far the ratio moves with the machine's load.
    int half = rounds / 2;
    for (int p = 1; p < count; ++p) {
        printf("ratio %s/%s: %.3f (halves %.3f, %.3f)\n", programs[0].name, programs[p].name,
               medians[0] / medians[p],
               Median(programs[0].times, half) / Median(programs[p].times, half),
               Median(programs[0].times + half, rounds - half) /
                   Median(programs[p].times + half, rounds - half));
    }
    return 0;
}
