// What a press of a button does, decided in full before anything is started: a short list of
// ways to try in order, each a program to start, something for the shell to open, something to
// hand to the desktop's shell, or a message for the user. The Win32 half (launch_win32.h) carries
// a plan out and stops at the first way that works; the check tool prints the same plan. So the
// program and the tool can never tell two stories, and every decision here is tested without
// Windows.
//
// Whose rights: an installer that runs as administrator (or as SYSTEM, or as another account after
// over-the-shoulder elevation) starts this program with its own rights. A browser or Notepad
// started from here would inherit them, so an elevated process hands the launch to the desktop's
// shell, which starts it as the person at the desktop. It starts nothing itself unless the
// desktop's own programs demonstrably have the same rights; otherwise the user gets the message.
#pragma once

#include <stddef.h>

#include "launch/launch_commands.h"

enum class LaunchWay {
    kProcess,       // CreateProcessW: `program` (or, when null, the program the command line
                    // names) on `command_line`
    kShell,         // ShellExecuteExW, verb "open", on `target`, in the folder `directory`
    kDesktopShell,  // the desktop's shell (Explorer) opens `target` with `arguments` in
                    // `directory`, as the desktop's user; when it has not answered in time,
                    // `message` under `caption` says it may still open, and the plan ends there
    kMessage,       // a message box owned by the dialog: `message` under `caption`; the end.
                    // A warning, or, `under_way`, a notice that an earlier launch may still open
};

struct LaunchStep {
    LaunchWay way;
    const char16_t* program;    // kProcess's program file, or null
    char16_t* command_line;     // kProcess's, in the plan's own buffers: CreateProcessW may write
                                // into it
    const char16_t* target;     // kShell's and kDesktopShell's file or address
    const char16_t* arguments;  // kDesktopShell's arguments for `target`, or null for none
    const char16_t* directory;  // kShell's and kDesktopShell's working folder, or null
    const char16_t* message;    // kMessage's text, and kDesktopShell's when it has not answered
    const char16_t* caption;    // their caption
    bool under_way;             // kMessage's: it tells of a launch still under way, not a failure
};

// The desktop's shell, then the two ways of today, then the message.
constexpr int kMaxLaunchSteps = 4;

struct LaunchPlan {
    LaunchStep steps[kMaxLaunchSteps];
    int count;
};

// The values of TOKEN_ELEVATION_TYPE.
enum class ElevationType { kDefault = 1, kFull = 2, kLimited = 3 };

// What the platform says about the session a press runs in: the window station, the session and
// the token (read once at start-up), and who runs the desktop's shell (read at the press, when
// elevated).
struct SessionFacts {
    bool station_visible;          // the window station is one a person sees (WSF_VISIBLE)
    unsigned long session_id;      // ProcessIdToSessionId: 0 is the services' session
    bool elevated;                 // TokenElevation
    ElevationType elevation_type;  // TokenElevationType
    // The process of the shell's window (GetShellWindow) runs as this process's user; false for
    // another user, or when there is no shell window to ask.
    bool shell_is_this_user;
    // What an earlier press of a button of the same kind (registration, or README) handed to the
    // desktop's shell has not ended yet: the shell has it and may still open it (read at the
    // press).
    bool handover_under_way;
};

// Why no dialog is shown, if it is not.
enum class NoDialog {
    kNone,            // the dialog is shown
    kHiddenStation,   // a window station nobody sees: a service's, or a deployment tool's that
                      // installs as SYSTEM
    kServiceSession,  // session 0, the services' own since Windows Vista: its interactive
                      // station, WinSta0, still reports WSF_VISIBLE, but nobody sees it
};
NoDialog WhyNoDialog(const SessionFacts& session);

// False where nobody could ever click it (WhyNoDialog): a dialog there would wait forever and
// keep the program's file in use, so that an uninstall or upgrade meets it; the program ends
// before any window exists.
bool ShowsDialog(const SessionFacts& session);

// The programs a press may start with this process's own rights when the desktop's shell does not
// answer: always when not elevated; when elevated, only where UAC splits no token (the type is
// Default: UAC off, or the built-in Administrator) and the desktop's shell runs as this same user,
// so that the desktop's own programs have these very rights.
bool MayStartWithOwnRights(const SessionFacts& session);

// What the platform says about the browsers, for one scheme of address.
struct BrowserFacts {
    // The user has a default for web addresses: a UserChoiceLatest or UserChoice for the scheme,
    // or a UserChoice for ".htm". The shell then knows the browser best, whatever its kind.
    bool has_web_default;
    const char16_t* command_template;  // the ".htm" open command (ChooseBrowserFileType), or null
    const char16_t* system_directory;  // System32, the shell's working folder; null if unknown
};

// The messages show the whole address, so that the user can copy it (Ctrl+C copies a message
// box's text) into a browser by hand.
constexpr size_t kBrowserMessageSize = 256 + kAddressSize;

struct BrowserPlan {
    LaunchPlan plan;
    char16_t address[kAddressSize];
    char16_t command[kBrowserCommandSize];
    char16_t message[kBrowserMessageSize];
    char16_t unanswered[kBrowserMessageSize];  // the desktop's shell has not answered in time
};

// "https" or "http": the scheme of `address`, whose user default decides the shell's part.
const char* WebScheme(const char* address);

// The registration address `address`. Elevated, the desktop's shell opens the address itself, with
// the desktop user's default browser; a shell that has not answered in time may still open it,
// so nothing else is started for that press, and its message says so and gives the address. While
// that earlier hand-over is still under way, a press starts nothing at all (a second browser could
// follow the first, and the failure message would be untrue): its notice says so and gives the
// address. Where the program may start things with its own rights: with a web default, the shell
// and then the ".htm" command; without one, the command and then the shell. Last, a message when
// nothing starts a browser. A command that cannot be composed is left out. Without an address (a
// release no vendor has stamped with a host), only a message that says so: no details go anywhere.
void PlanBrowserLaunch(const char* address, const BrowserFacts& facts, const SessionFacts& session,
                       BrowserPlan* out);

// What the platform says about the readme.
struct ReadmeFacts {
    const char16_t* readme;            // /R from the UTF-16 reading, or null
    const char16_t* module_path;       // the program's own path, or null when it cannot be had
    const char16_t* system_directory;  // System32, or null when it cannot be had
};

// System32, a backslash and "notepad.exe", with the zero.
constexpr size_t kSystemDirectorySize = 260;
constexpr size_t kNotepadPathSize = kSystemDirectorySize + 12;
constexpr size_t kReadmeMessageSize = 128 + kWidePathSize;

struct ReadmePlan {
    LaunchPlan plan;
    char16_t path[kWidePathSize];
    char16_t notepad[kNotepadPathSize];
    char16_t command[kProcessCommandLineSize];
    char16_t message[kReadmeMessageSize];
    char16_t unanswered[kReadmeMessageSize];  // the desktop's shell has not answered in time
};

// Notepad from System32 (never one that lies in the program's or the current folder): elevated,
// handed to the desktop's shell with the readme's path as its arguments (one that has not answered
// in time ends the plan with a message that Notepad may still open, and while it is under way a
// press gives only a notice that says so); where the program may start it itself, with
// "notepad.exe " and the path as its command line, then the shell on the file. Last, a message
// naming the path.
void PlanReadmeLaunch(const ReadmeFacts& facts, const SessionFacts& session, ReadmePlan* out);
