// driver SCENARIO REPORT: plays the installer and the user around regcomplete.exe under Wine.
//
// SCENARIO is a file of steps, one a line, read as raw bytes so that Shift_JIS reaches the
// Windows calls unchanged (Wine would turn Unix arguments that are not UTF-8 into '?'). The
// driver starts the program with an exact command line, finds its dialog by the caption, checks
// the dialog and its controls, presses buttons and keys, closes it, and writes what it saw to
// REPORT (report.h), ending with "PASS" or "FAILED n".
//
// The steps, what each takes and what it does, are the table kSteps below; the driver prints it
// to the report for a step it does not know, and to standard error when started without the two
// arguments.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "dialog_checks.h"
#include "driver.h"
#include "input.h"
#include "installer_steps.h"
#include "processes.h"

char* NextWord(char* text, char** word) {
    while (*text == ' ') ++text;
    *word = text;
    while (*text != '\0' && *text != ' ') ++text;
    if (*text == '\0') return text;
    *text++ = '\0';
    while (*text == ' ') ++text;
    return text;
}

const wchar_t* FromShiftJis(const char* text, wchar_t* out, int out_size) {
    if (MultiByteToWideChar(932, 0, text, -1, out, out_size) == 0) out[0] = 0;
    return out;
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        Pump();
        Sleep(kPollMs);
    } while (GetTickCount() - start < ms);
}

namespace {

bool StepSleep(Driver&, char* args) {
    PumpFor(strtoul(args, nullptr, 10));
    return true;
}

// The test takes a screenshot, or changes the prefix, while the driver waits.
bool StepHandshake(Driver&, char* prefix) {
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s.ready", prefix);
    FILE* ready = fopen(path, "wb");
    if (ready == nullptr) {
        Fail("cannot write %s", path);
        return false;
    }
    fclose(ready);
    snprintf(path, sizeof path, "%s.done", prefix);
    auto answered = [&] { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; };
    return WaitUntil(answered, 2 * kWaitMs, Format("nobody answered %s", path));
}

// A failed check is reported and the run goes on.
template <void (*check)(Driver&, char*)>
bool Check(Driver& driver, char* args) {
    check(driver, args);
    return true;
}

struct Step {
    const char* name;
    bool (*run)(Driver& driver, char* args);  // false ends the run
    bool needs_dialog;                        // acts on the dialog that a wait found
    const char* arguments;
    const char* usage;
};

constexpr bool kNeedsDialog = true;
constexpr bool kAnyTime = false;

constexpr Step kSteps[] = {
    {"window", StepWindow, kAnyTime, "NAME CLASS TITLE...",
     "a live top-level window of the driver's own"},
    {"dead-window", StepDeadWindow, kAnyTime, "NAME",
     "a window created and destroyed again: its handle names nothing"},
    {"start", StepStart, kAnyTime, "COMMAND LINE...",
     "CreateProcessAsUserA on exactly these bytes, with a Limited token, a standard user's: the "
     "driver's own or its linked one, whichever is Limited"},
    {"start-unicode", StepStartUnicode, kAnyTime, "COMMAND LINE...",
     "CreateProcessAsUserW on this line, which the scenario holds as UTF-8, with the limited "
     "token"},
    {"start-elevated", StepStartElevated, kAnyTime, "COMMAND LINE...",
     "as start, with a Full token, an administrator's installer's: the driver's own or its "
     "linked one, whichever is Full"},
    {"start-hidden", StepStartHidden, kAnyTime, "COMMAND LINE...",
     "as start-elevated, on the desktop of a window station nobody sees"},
    {"application", StepApplication, kAnyTime, "PATH",
     "the next start runs the program file PATH on its command line: for a line that names no "
     "file, such as one that ends inside a quoted program name"},
    {"wait-dialog", StepWaitDialog, kAnyTime, "",
     "until the started program shows its dialog and waits for input"},
    {"check-template", Check<StepCheckTemplate>, kNeedsDialog, "",
     "the dialog template and icon in the started executable"},
    {"check-dialog", Check<StepCheckDialog>, kNeedsDialog, "",
     "the live dialog: styles, size, caption, controls, tab order"},
    {"check-focus", Check<StepCheckFocus>, kNeedsDialog, "ID",
     "the keyboard focus is on control ID (waits a little for it)"},
    {"check-top", Check<StepCheckTop>, kNeedsDialog, "ID",
     "edit box ID shows its text from the top: the caret at its start, nothing selected (waits a "
     "little for it)"},
    {"check-owner", Check<StepCheckOwner>, kNeedsDialog, "NAME|none", "the dialog's owner window"},
    {"check-owner-or-none", Check<StepCheckOwnerOrNone>, kNeedsDialog, "NAME",
     "the dialog's owner is window NAME or none: for an owner that may be gone by the time the "
     "program looks for it"},
    {"check-centred", Check<StepCheckCentred>, kNeedsDialog, "",
     "the dialog sits in the middle of the screen"},
    {"check-glyphs", Check<StepCheckGlyphs>, kNeedsDialog, "",
     "the dialog font draws every Japanese text with real glyphs"},
    {"check-unicode", Check<StepCheckUnicode>, kNeedsDialog, "CODEPAGE",
     "the system code page is CODEPAGE, and the caption and every control's text, read as "
     "Unicode, are the template's and the info text"},
    {"check-names", Check<StepCheckNames>, kNeedsDialog, "",
     "the names a screen reader reads (MSAA, the client object's name): the dialog's caption, "
     "each control's text, and for the information box the label that tells of it"},
    {"check-fit", Check<StepCheckFit>, kNeedsDialog, "DPI",
     "at DPI dots per inch, the dialog is centred and wholly on the screen, and each label's and "
     "button's text fits its control"},
    {"click", StepClick, kNeedsDialog, "ID", "BM_CLICK on control ID"},
    {"click-async", StepClickAsync, kNeedsDialog, "ID",
     "BM_CLICK posted to control ID, not waited for"},
    {"key", StepKey, kNeedsDialog, "KEY...",
     "keyboard input (escape, return, tab, space) to the dialog"},
    {"close-box", StepCloseBox, kNeedsDialog, "", "a mouse click on the dialog's close box"},
    {"wm-close", StepWmClose, kNeedsDialog, "", "WM_CLOSE posted to the dialog"},
    {"message-box", StepMessageBox, kNeedsDialog, "TEXT...",
     "until the dialog's message box shows; its text holds TEXT; then closes it with OK"},
    {"hide-popups", StepHidePopups, kNeedsDialog, "NAME",
     "ShowOwnedPopups(FALSE) on window NAME, as a closing installer does; the dialog must stay "
     "shown"},
    {"geometry", StepGeometry, kNeedsDialog, "FILE",
     "writes the dialog's screen geometry for the screenshot test"},
    {"shell", StepShell, kAnyTime, "suspend|resume",
     "suspends (or resumes) every thread of the prefix's explorer.exe, the desktop's shell, so "
     "that what is handed to it hangs until resumed; a run that ends with it suspended resumes it"},
    {"wait-log", StepWaitLog, kAnyTime, "N", "until the launch log holds N records, and not more"},
    {"wait-exit", StepWaitExit, kAnyTime, "CODE",
     "until the program ends with exit code CODE, its dialog gone"},
    {"handshake", StepHandshake, kAnyTime, "PATH",
     "creates PATH.ready, waits for PATH.done (a screenshot is taken)"},
    {"sleep", StepSleep, kAnyTime, "MS", "pumps messages for MS milliseconds"},
    {"wait-window", StepWaitWindow, kAnyTime, "NAME CLASS TEXT",
     "until the started program shows a top-level window of CLASS whose caption holds TEXT; it "
     "is named NAME"},
    {"press", StepPress, kAnyTime, "NAME ID",
     "once control ID of window NAME is enabled, BM_CLICK on it, then until that took effect: "
     "the window gone, or the control disabled, hidden or relabelled"},
    {"press-text", StepPressText, kAnyTime, "NAME TEXT",
     "as press, for the visible control of window NAME whose text is exactly TEXT (for windows "
     "whose controls have no fixed ids); it took effect once the window is gone or its visible "
     "controls change"},
    {"type", StepType, kAnyTime, "NAME N TEXT",
     "types TEXT into the Nth visible edit box of window NAME counted from the top, replacing "
     "what is there, one WM_CHAR a character as an input method delivers composed text; until "
     "the box holds TEXT"},
    {"click-item", StepClickItem, kAnyTime, "NAME N",
     "a left click on item N (from 0) of the visible list box of window NAME, as a mouse gives "
     "it"},
    {"wait-child-dialog", StepWaitChildDialog, kAnyTime, "",
     "until a program that the started one started shows the dialog; the steps after act on "
     "that program, and on the started one again once wait-exit has seen it end"},
    {"wait-parent-exit", StepWaitParentExit, kAnyTime, "CODE",
     "after wait-child-dialog: until the started program ends with exit code CODE, while the "
     "dialog's program goes on"},
    {"check-alive", Check<StepCheckAlive>, kAnyTime, "NAME", "window NAME still exists"},
    {"check-gone", Check<StepCheckGone>, kAnyTime, "NAME", "window NAME exists no more"},
    {"check-command-line", Check<StepCheckCommandLine>, kAnyTime, "TEXT...",
     "the program's command line, as GetCommandLineA gives it to the program, is exactly TEXT "
     "({NAME} as in start)"},
    {"check-no-process", Check<StepCheckNoProcess>, kAnyTime, "FILE",
     "no process of the program file FILE runs (one that does is ended); FILE is a file name, or "
     "a full path from the drive letter on where other tests may run programs of that name in "
     "the prefix"},
};

// To the report, or to standard error when there is none.
void PrintUsage(void (*print_line)(const char* line)) {
    print_line("usage: driver SCENARIO REPORT");
    print_line(
        "SCENARIO holds one step a line, in code page 932 but for start-unicode. NAME stands for a "
        "window that the driver made or found; {NAME} in a command line becomes its handle as a "
        "decimal number. \"Started\" takes in every program started by one it started, at any "
        "depth. A failed check is reported and the run goes on; a failed action ends the run. "
        "Steps marked * act on the dialog that a wait found:");
    for (const Step& step : kSteps) {
        char line[512];
        char call[64];
        snprintf(call, sizeof call, "%s %s", step.name, step.arguments);
        snprintf(line, sizeof line, "%c %-30s %s", step.needs_dialog ? '*' : ' ', call, step.usage);
        print_line(line);
    }
}

// Runs one step; false ends the run.
bool RunStep(Driver& driver, char* line) {
    char* name;
    char* args = NextWord(line, &name);
    if (*name == '\0' || *name == '#') return true;
    for (const Step& step : kSteps) {
        if (strcmp(name, step.name) != 0) continue;
        if (step.needs_dialog && (driver.dialog == nullptr || !IsWindow(driver.dialog))) {
            Fail("%s: there is no dialog", name);
            return false;
        }
        return step.run(driver, args);
    }
    Fail("unknown step %s", name);
    PrintUsage([](const char* usage_line) { Print("%s", usage_line); });
    return false;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc != 3) {
        PrintUsage([](const char* usage_line) { fprintf(stderr, "%s\n", usage_line); });
        return 2;
    }
    if (!OpenReport(__argv[2])) return 3;
    FILE* scenario = fopen(__argv[1], "rb");
    if (scenario == nullptr) {
        Print("cannot read %s", __argv[1]);
        Print("FAILED 1");
        CloseReport();
        return 1;
    }
    Driver driver;
    static char line[kLineSize];
    for (int line_number = 1; fgets(line, sizeof line, scenario) != nullptr; ++line_number) {
        SetScenarioLine(line_number);
        line[strcspn(line, "\r\n")] = '\0';
        if (!RunStep(driver, line)) {
            Note("run ended here");
            break;
        }
    }
    fclose(scenario);
    if (driver.shell_suspended) {
        Fail("the run ended with the desktop's shell suspended; resuming it");
        char resume[] = "resume";
        StepShell(driver, resume);
    }
    EndLeftoverPrograms(driver);
    for (int i = 0; i < driver.window_count; ++i)
        if (IsWindow(driver.windows[i].window)) DestroyWindow(driver.windows[i].window);
    if (driver.reference != nullptr) DestroyWindow(driver.reference);
    return FinishReport() == 0 ? 0 : 1;
}
