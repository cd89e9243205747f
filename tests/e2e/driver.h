// What every part of the e2e driver shares: its limits, the state of one run, the reading of a
// step's words, and the waits.
#pragma once

#include <stddef.h>
#include <windows.h>

#include "report.h"

constexpr DWORD kWaitMs = 60000;  // every Wine start is slow under an emulated 32-bit loader
constexpr DWORD kPollMs = 20;
constexpr size_t kLineSize = 4096;
constexpr size_t kTextSize = 4096;
constexpr int kMaxWindows = 8;
constexpr size_t kNameSize = 32;
constexpr int kMaxTree = 32;

// A window that the scenario gave a name: one the driver made, or one a started program showed.
struct NamedWindow {
    char name[kNameSize];
    HWND window;
};

// The state of one run of a scenario. WinMain owns it and hands it to every step.
struct Driver {
    // The program the steps act on. After wait-child-dialog it is the program that showed the
    // dialog, and `parent` is the started one, until a wait for its exit has seen it end.
    PROCESS_INFORMATION process = {};
    bool started = false;
    PROCESS_INFORMATION parent = {};
    bool parent_started = false;
    // The program file for the next start only; empty when the command line names it.
    char application[MAX_PATH] = "";
    // The started program and the programs started from it, at any depth, as far as the driver
    // has seen them start. A process is known by its parent's id, so a program whose parent has
    // already ended is still found once the driver saw that parent running.
    DWORD tree[kMaxTree] = {};
    int tree_count = 0;

    NamedWindow windows[kMaxWindows] = {};
    int window_count = 0;
    HWND dialog = nullptr;         // the program's dialog, once a wait found it
    HWND reference = nullptr;      // a hidden dialog of the template's font, for MapDialogRect
    bool shell_suspended = false;  // the desktop's shell, until a step resumes it
};

// Splits off the first blank-separated word of `text`; returns the rest after the blanks.
char* NextWord(char* text, char** word);

// Shift_JIS text of the scenario as UTF-16, whatever the system's code page.
const wchar_t* FromShiftJis(const char* text, wchar_t* out, int out_size);

// Keeps the driver's own windows answering: the dialog's process sends messages to its owner.
void Pump();
void PumpFor(DWORD ms);

inline const char* MessageOf(const char* message) {
    return message;
}
template <typename MakeMessage>
const char* MessageOf(MakeMessage make_message) {
    return make_message();
}

// Pumps messages until `ready()` holds; after `timeout_ms` reports `what` as a failure and
// returns false. `what` is the message, or makes it (with Format) when the wait gives up, for a
// message that tells the state the wait ended in.
template <typename Ready, typename What>
bool WaitUntil(Ready ready, DWORD timeout_ms, What what) {
    DWORD start = GetTickCount();
    while (!ready()) {
        if (GetTickCount() - start >= timeout_ms) {
            Fail("%s", MessageOf(what));
            return false;
        }
        PumpFor(kPollMs);
    }
    return true;
}
