// What a press of a button does, decided in full before anything is started: a short list of
// ways to try in order, each a program to start, something for the shell to open, or a message
// for the user. The Win32 half (launch.h) carries a plan out and stops at the first way that
// works; the check tool prints the same plan. So the program and the tool can never tell two
// stories, and every decision here is tested without Windows.
#pragma once

#include <stddef.h>

#include "launch/launch_commands.h"

enum class LaunchWay {
    kProcess,  // CreateProcessW: `program` (or, when null, the program the command line names)
               // on the command line `text`
    kShell,    // ShellExecuteExW, verb "open", on `text`, in the folder `directory`
    kMessage,  // a message box owned by the dialog: `text` under the caption `caption`; the end
};

struct LaunchStep {
    LaunchWay way;
    const char16_t* program;
    char16_t* text;  // in the plan's own buffers: CreateProcessW may write into its command line
    const char16_t* directory;  // kShell's working folder, or null for the current one
    const char16_t* caption;    // kMessage's caption
};

constexpr int kMaxLaunchSteps = 3;

struct LaunchPlan {
    LaunchStep steps[kMaxLaunchSteps];
    int count;
};

// What the platform says about the browsers, for one scheme of address.
struct BrowserFacts {
    // The user has a default for web addresses: a UserChoiceLatest or UserChoice for the scheme,
    // or a UserChoice for ".htm". The shell then knows the browser best, whatever its kind.
    bool has_web_default;
    const char16_t* command_template;  // the ".htm" open command (ChooseBrowserFileType), or null
    const char16_t* system_directory;  // System32, the shell's working folder; null if unknown
};

// The message shows the whole address, so that the user can copy it (Ctrl+C copies a message
// box's text) into a browser by hand.
constexpr size_t kBrowserMessageSize = 256 + kAddressSize;

struct BrowserPlan {
    LaunchPlan plan;
    char16_t address[kAddressSize];
    char16_t command[kBrowserCommandSize];
    char16_t message[kBrowserMessageSize];
};

// "https" or "http": the scheme of `address`, whose user default decides the shell's part.
const char* WebScheme(const char* address);

// The registration address `address`: with a web default, the shell first and then the ".htm"
// command; without one, the command first and then the shell; a message when neither starts a
// browser. A command that cannot be composed is left out.
void PlanBrowserLaunch(const char* address, const BrowserFacts& facts, BrowserPlan* out);

// What the platform says about the readme.
struct ReadmeFacts {
    const char16_t* readme;            // /R from the UTF-16 reading, or null
    const char16_t* module_path;       // the program's own path, or null when it cannot be had
    const char16_t* system_directory;  // System32, or null when it cannot be had
};

// System32, a backslash and "notepad.exe", with the zero.
constexpr size_t kSystemDirectorySize = 260;
constexpr size_t kNotepadPathSize = kSystemDirectorySize + 12;
constexpr size_t kReadmeMessageSize = 64 + kWidePathSize;

struct ReadmePlan {
    LaunchPlan plan;
    char16_t path[kWidePathSize];
    char16_t notepad[kNotepadPathSize];
    char16_t command[kProcessCommandLineSize];
    char16_t message[kReadmeMessageSize];
};

// Notepad from System32 (never one that lies in the program's or the current folder) with
// "notepad.exe " and the readme's path as its command line; then the shell on the file; then a
// message naming the path.
void PlanReadmeLaunch(const ReadmeFacts& facts, ReadmePlan* out);
