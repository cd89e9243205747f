// driver SCENARIO REPORT: plays the installer and the user around regcomplete.exe under Wine.
//
// SCENARIO is a file of steps, one a line, read as raw bytes so that Shift_JIS reaches the
// Windows calls unchanged (Wine would turn Unix arguments that are not UTF-8 into '?'). The
// driver starts the program with an exact command line, finds its dialog by the caption, checks
// the dialog and its controls, presses buttons and keys, closes it, and writes what it saw to
// REPORT, ending with "PASS" or "FAILED n". It writes to a file because it runs as a GUI program
// inside a Wine virtual desktop, where its exit code and output do not reach the test.
//
// Steps (NAME stands for a window the driver made; {NAME} in a command line becomes its handle
// as a decimal number):
//   window NAME CLASS TITLE...   a live top-level window of the driver's own
//   dead-window NAME             a window created and destroyed again: its handle names nothing
//   start COMMAND LINE...        CreateProcessA on exactly these bytes
//   start-unicode COMMAND LINE... CreateProcessW on this line, which the scenario holds as UTF-8
//   wait-dialog                  until the started program shows its dialog and waits for input
//   check-template               the dialog template and icon in the started executable
//   check-dialog                 the live dialog: styles, size, caption, controls, tab order
//   check-focus ID               the keyboard focus is on control ID (waits a little for it)
//   check-owner NAME|none        the dialog's owner window
//   check-centred                the dialog sits in the middle of the screen
//   check-glyphs                 the dialog font draws every Japanese text with real glyphs
//   check-unicode CODEPAGE       the system code page is CODEPAGE, and the caption and every
//                                control's text, read as Unicode, are the template's and the
//                                info text
//   check-fit DPI                at DPI dots per inch, the dialog is centred and wholly on the
//                                screen, and each label's and button's text fits its control
//   click ID                     BM_CLICK on control ID
//   click-async ID               BM_CLICK posted to control ID, not waited for
//   key KEY...                   keyboard input (escape, return, tab, space) to the dialog
//   close-box                    a mouse click on the dialog's close box
//   wm-close                     WM_CLOSE posted to the dialog
//   wait-log N                   until the launch log holds N records, and not more
//   wait-exit CODE               until the program ends with exit code CODE, its dialog gone
//   geometry FILE                writes the dialog's screen geometry for the screenshot test
//   hide-popups NAME             ShowOwnedPopups(FALSE) on window NAME, as a closing installer
//                                does; the dialog must stay shown
//   message-box TEXT...          until the dialog's message box shows; its text holds TEXT; then
//                                closes it with OK
//   handshake PATH               creates PATH.ready, waits for PATH.done (a screenshot is taken)
//   sleep MS
//   application PATH             the next start runs the program file PATH on its command line:
//                                for a line that names no file, such as one that ends inside
//                                a quoted program name
// For a program that starts regcomplete.exe itself, such as an installer:
//   wait-window NAME CLASS TEXT  until the started program shows a top-level window of CLASS
//                                whose caption holds TEXT; it is named NAME
//   press NAME ID                once control ID of window NAME is enabled, BM_CLICK on it, then
//                                until that took effect: the window gone, or the control
//                                disabled, hidden or relabelled
//   wait-child-dialog            until a program that the started one started shows the dialog;
//                                the steps after act on that program, and on the started one
//                                again once wait-exit has seen it end
//   check-alive NAME             window NAME still exists
//   check-gone NAME              window NAME exists no more
//   check-command-line TEXT...   the program's command line, as GetCommandLineA gives it to the
//                                program, is exactly TEXT ({NAME} as in start)
// "Started" there takes in every program started by one it started, at any depth: an installer
// may run its wizard in a program of its own (Inno Setup's loader starts setup.tmp). And:
//   press-text NAME TEXT         as press, for the visible control of window NAME whose text is
//                                exactly TEXT (for windows whose controls have no fixed ids); it
//                                took effect once the window is gone or its visible controls change
//   type NAME N TEXT             types TEXT into the Nth visible edit box of window NAME counted
//                                from the top, replacing what is there, one WM_CHAR a character as
//                                an input method delivers composed text; until the box holds TEXT
//   click-item NAME N            a left click on item N (from 0) of the visible list box of window
//                                NAME, as a mouse gives it
//   wait-parent-exit CODE        after wait-child-dialog: until the started program ends with exit
//                                code CODE, while the dialog's program goes on
//   check-no-process FILE        no process of the program file FILE runs (one that does is ended);
//                                FILE is a file name, or a full path from the drive letter on
//                                where other tests may run programs of that name in the prefix
//   check-owner-or-none NAME     the dialog's owner is window NAME or none: for an owner that may
//   be
//                                gone by the time the program looks for it
// A failed check is reported and the run goes on; a failed action ends the run.
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>
// After windows.h:
#include <tlhelp32.h>
#include <winternl.h>

#include "dialog_expectations.h"
#include "launch_log.h"

namespace {

constexpr DWORD kWaitMs = 60000;  // every Wine start is slow under an emulated 32-bit loader
constexpr DWORD kPollMs = 20;
constexpr size_t kLineSize = 4096;
constexpr size_t kTextSize = 4096;
constexpr int kMaxWindows = 8;
constexpr size_t kNameSize = 32;

FILE* g_report = nullptr;
int g_line_number = 0;
int g_failures = 0;
DWORD g_start_ms = GetTickCount();

void Note(const char* format, ...) {
    va_list args;
    va_start(args, format);
    fprintf(g_report, "line %d, %lu ms: ", g_line_number, GetTickCount() - g_start_ms);
    vfprintf(g_report, format, args);
    fputc('\n', g_report);
    fflush(g_report);
    va_end(args);
}

void Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    fprintf(g_report, "line %d, %lu ms: FAIL: ", g_line_number, GetTickCount() - g_start_ms);
    vfprintf(g_report, format, args);
    fputc('\n', g_report);
    fflush(g_report);
    va_end(args);
    ++g_failures;
}

// Bytes as text with everything outside printable ASCII as \xNN, for the report.
const char* Shown(const char* bytes, int length) {
    static char shown[4][kTextSize * 4 + 1];
    static int next = 0;
    char* out = shown[next];
    next = (next + 1) % 4;
    size_t used = 0;
    for (int i = 0; i < length && used + 5 < sizeof shown[0]; ++i) {
        unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 && byte < 0x7f)
            out[used++] = static_cast<char>(byte);
        else
            used += snprintf(out + used, 5, "\\x%02x", byte);
    }
    out[used] = '\0';
    return out;
}

// The owner windows this driver made, by the names the scenario gives them.
struct NamedWindow {
    char name[kNameSize];
    HWND window;
};
NamedWindow g_windows[kMaxWindows];
int g_window_count = 0;

PROCESS_INFORMATION g_process = {};
bool g_started = false;
HWND g_dialog = nullptr;
HWND g_reference = nullptr;  // a hidden dialog of the same font, for MapDialogRect

// Keeps the driver's own windows answering: the dialog's process sends messages to its owner.
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

bool Elapsed(DWORD start, DWORD limit) {
    return GetTickCount() - start >= limit;
}

HWND FindNamedWindow(const char* name, size_t length) {
    for (int i = 0; i < g_window_count; ++i)
        if (strlen(g_windows[i].name) == length && strncmp(g_windows[i].name, name, length) == 0)
            return g_windows[i].window;
    return nullptr;
}

// Splits off the first blank-separated word of `text`; returns the rest after the blanks.
char* NextWord(char* text, char** word) {
    while (*text == ' ') ++text;
    *word = text;
    while (*text != '\0' && *text != ' ') ++text;
    if (*text == '\0') return text;
    *text++ = '\0';
    while (*text == ' ') ++text;
    return text;
}

bool AddWindow(const char* name, HWND window) {
    if (g_window_count == kMaxWindows || strlen(name) >= kNameSize) {
        Fail("too many windows or too long a name");
        return false;
    }
    lstrcpynA(g_windows[g_window_count].name, name, kNameSize);
    g_windows[g_window_count].window = window;
    ++g_window_count;
    return true;
}

// Shift_JIS text of the scenario as UTF-16, whatever the system's code page.
const wchar_t* FromShiftJis(const char* text, wchar_t* out, int out_size) {
    if (MultiByteToWideChar(932, 0, text, -1, out, out_size) == 0) out[0] = 0;
    return out;
}

// Unicode, as installers make their windows: the title reads the same under any code page.
HWND MakeTopLevelWindow(const char* class_name, const char* title) {
    wchar_t wide_class[kNameSize * 2];
    wchar_t wide_title[kTextSize];
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = FromShiftJis(class_name, wide_class, kNameSize * 2);
    RegisterClassW(&window_class);  // fails harmlessly when the class is already there
    return CreateWindowExW(0, window_class.lpszClassName,
                           FromShiftJis(title, wide_title, kTextSize),
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 360, 240, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

bool StepWindow(char* args) {
    char *name, *class_name;
    char* title = NextWord(NextWord(args, &name), &class_name);
    HWND window = MakeTopLevelWindow(class_name, title);
    if (window == nullptr) {
        Fail("could not create window %s", name);
        return false;
    }
    Pump();
    Note("window %s = %ld", name, static_cast<long>(reinterpret_cast<INT_PTR>(window)));
    return AddWindow(name, window);
}

bool StepDeadWindow(char* args) {
    char* name;
    NextWord(args, &name);
    HWND window = MakeTopLevelWindow("RegcompleteE2EGone", "gone");
    if (window == nullptr || !DestroyWindow(window) || IsWindow(window)) {
        Fail("could not make a dead window handle");
        return false;
    }
    Pump();
    Note("dead window %s = %ld", name, static_cast<long>(reinterpret_cast<INT_PTR>(window)));
    return AddWindow(name, window);
}

// Copies `args` to `out` with each {NAME} of a named window replaced by its handle as a decimal
// number; returns the length, or -1 (reported) when it does not fit.
int ExpandNames(const char* args, char* out, size_t out_size) {
    size_t used = 0;
    for (const char* p = args; *p != '\0';) {
        const char* close = *p == '{' ? strchr(p, '}') : nullptr;
        HWND window = close ? FindNamedWindow(p + 1, close - p - 1) : nullptr;
        if (close != nullptr && window != nullptr) {
            used += snprintf(out + used, out_size - used, "%ld",
                             static_cast<long>(reinterpret_cast<INT_PTR>(window)));
            p = close + 1;
        } else if (used + 1 < out_size) {
            out[used++] = *p++;
        } else {
            break;
        }
        if (used >= out_size - 1) {
            Fail("command line too long");
            return -1;
        }
    }
    out[used] = '\0';
    return static_cast<int>(used);
}

// The program file for the next start only; empty when the command line names it.
char g_application[MAX_PATH] = "";

bool StepApplication(const char* path) {
    lstrcpynA(g_application, path, sizeof g_application);
    return true;
}

// `unicode`: the line is UTF-8 and starts the program with CreateProcessW, as a Unicode
// installer does; otherwise CreateProcessA on exactly its bytes.
bool StepStart(const char* args, bool unicode) {
    if (g_started) {
        Fail("a program is still running from an earlier start");
        return false;
    }
    static char command_line[kLineSize];
    int used = ExpandNames(args, command_line, sizeof command_line);
    if (used < 0) return false;
    Note("start %s", Shown(command_line, used));

    const char* application = g_application[0] != '\0' ? g_application : nullptr;
    BOOL started = FALSE;
    if (unicode) {
        static wchar_t wide_line[kLineSize];
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        started = MultiByteToWideChar(CP_UTF8, 0, command_line, -1, wide_line, kLineSize) > 0 &&
                  CreateProcessW(nullptr, wide_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &g_process);
    } else {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        started = CreateProcessA(application, command_line, nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &g_process);
    }
    if (!started) {
        Fail("starting the program failed with error %lu", GetLastError());
        return false;
    }
    g_application[0] = '\0';
    g_started = true;
    g_dialog = nullptr;
    return true;
}

// The started program while the steps act on a program it started (wait-child-dialog).
PROCESS_INFORMATION g_parent = {};
bool g_parent_started = false;

void ForgetProcess() {
    if (g_process.hThread != nullptr) CloseHandle(g_process.hThread);
    CloseHandle(g_process.hProcess);
    g_started = false;
    g_dialog = nullptr;
    if (g_parent_started) {
        g_process = g_parent;
        g_started = true;
        g_parent_started = false;
    }
}

// The caption as Unicode, so that the dialog is found under any system code page.
const wchar_t* DialogCaptionW() {
    static wchar_t caption[64];
    if (caption[0] == 0) MultiByteToWideChar(932, 0, kDialogCaption, -1, caption, 64);
    return caption;
}

// The started program's visible window with the dialog's caption.
HWND FindDialog() {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, nullptr, DialogCaptionW())) != nullptr) {
        DWORD process_id = 0;
        GetWindowThreadProcessId(window, &process_id);
        if (process_id == g_process.dwProcessId && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

bool StepWaitDialog() {
    if (!g_started) {
        Fail("no program started");
        return false;
    }
    DWORD start = GetTickCount();
    while ((g_dialog = FindDialog()) == nullptr) {
        DWORD exit_code = 0;
        if (WaitForSingleObject(g_process.hProcess, 0) == WAIT_OBJECT_0) {
            GetExitCodeProcess(g_process.hProcess, &exit_code);
            Fail("the program ended (exit code %lu) without showing its dialog", exit_code);
            ForgetProcess();
            return false;
        }
        if (Elapsed(start, kWaitMs)) {
            Fail("no dialog after %lu ms", kWaitMs);
            return false;
        }
        PumpFor(kPollMs);
    }
    // Shown first and moved afterwards: wait until the program is idle in its message loop.
    DWORD idle = WaitForInputIdle(g_process.hProcess, kWaitMs);
    if (idle != 0) {
        Fail("the program never became idle (%lu)", idle);
        return false;
    }
    PumpFor(200);
    Note("dialog %ld appeared after %lu ms", static_cast<long>(reinterpret_cast<INT_PTR>(g_dialog)),
         GetTickCount() - start);
    return true;
}

INT_PTR CALLBACK ReferenceProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// A hidden dialog with the template's font, so that MapDialogRect gives the base units the real
// dialog was laid out with (MapDialogRect works only on a dialog of one's own process).
HWND ReferenceDialog() {
    if (g_reference != nullptr) return g_reference;
    alignas(4) static WORD words[64] = {};
    DLGTEMPLATE* header = reinterpret_cast<DLGTEMPLATE*>(words);
    header->style = kDialogStyle;
    header->cx = kDialogWidthDu;
    header->cy = kDialogHeightDu;
    WORD* p = words + sizeof(DLGTEMPLATE) / sizeof(WORD);
    *p++ = 0;  // no menu
    *p++ = 0;  // the standard dialog class
    *p++ = 0;  // no caption
    *p++ = kDialogFontPoints;
    for (const wchar_t* c = kDialogFont; *c != 0; ++c) *p++ = static_cast<WORD>(*c);
    *p++ = 0;
    g_reference =
        CreateDialogIndirectParamA(GetModuleHandleA(nullptr), header, nullptr, ReferenceProc, 0);
    return g_reference;
}

// The dialog manager maps a control's position and its size each on its own, so the right edge
// is the mapped x plus the mapped width, not the mapped x + width.
RECT DialogUnits(int x, int y, int width, int height) {
    RECT mapped = {x, y, width, height};
    if (!MapDialogRect(ReferenceDialog(), &mapped)) Fail("MapDialogRect failed");
    RECT rect = {mapped.left, mapped.top, mapped.left + mapped.right, mapped.top + mapped.bottom};
    return rect;
}

int TextOf(HWND window, char* out, int out_size) {
    DWORD_PTR length = 0;
    out[0] = '\0';
    if (!SendMessageTimeoutA(window, WM_GETTEXT, out_size, reinterpret_cast<LPARAM>(out),
                             SMTO_NORMAL, kWaitMs, &length))
        return -1;
    out[out_size - 1] = '\0';
    return static_cast<int>(length);
}

void ExpectText(const char* what, HWND window, const char* expected) {
    static char text[kTextSize];
    int length = TextOf(window, text, sizeof text);
    int expected_length = static_cast<int>(strlen(expected));
    if (length != expected_length || memcmp(text, expected, expected_length) != 0)
        Fail("%s: text is \"%s\" (%d bytes), not \"%s\" (%d bytes)", what, Shown(text, length),
             length, Shown(expected, expected_length), expected_length);
}

const char* KindClass(ControlKind kind) {
    switch (kind) {
        case ControlKind::kPushButton:
        case ControlKind::kDefaultPushButton: return "Button";
        case ControlKind::kEdit: return "Edit";
        case ControlKind::kStatic: return "Static";
    }
    return "";
}

void CheckLiveControl(const ExpectedControl& row, HWND control) {
    char class_name[64];
    GetClassNameA(control, class_name, sizeof class_name);
    if (lstrcmpiA(class_name, KindClass(row.kind)) != 0)
        Fail("%s: class %s, not %s", row.why, class_name, KindClass(row.kind));
    int id = GetDlgCtrlID(control);
    if (static_cast<WORD>(id) != static_cast<WORD>(row.id))
        Fail("%s: id %d, not %d", row.why, id, row.id);

    RECT expected = DialogUnits(row.x, row.y, row.width, row.height);
    RECT actual;
    GetWindowRect(control, &actual);
    MapWindowPoints(nullptr, g_dialog, reinterpret_cast<POINT*>(&actual), 2);
    if (!EqualRect(&expected, &actual))
        Fail("%s: at %ld,%ld-%ld,%ld, not %ld,%ld-%ld,%ld (%d,%d %dx%d dialog units)", row.why,
             actual.left, actual.top, actual.right, actual.bottom, expected.left, expected.top,
             expected.right, expected.bottom, row.x, row.y, row.width, row.height);

    // The bits the dialog manager leaves as the template set them.
    DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
    DWORD ex_style = static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE));
    const DWORD kFixed = WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_TABSTOP | WS_GROUP | WS_VSCROLL |
                         WS_HSCROLL | WS_POPUP;
    if ((style & kFixed) != (row.style & kFixed))
        Fail("%s: style 0x%08lx, expected the bits 0x%08lx of 0x%08lx", row.why, style,
             row.style & kFixed, kFixed);
    switch (row.kind) {
        case ControlKind::kPushButton:
        case ControlKind::kDefaultPushButton: {
            // The dialog manager lends the default look to whichever push button has the focus.
            DWORD type = style & BS_TYPEMASK;
            if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON)
                Fail("%s: button type 0x%lx is no push button", row.why, type);
            break;
        }
        case ControlKind::kEdit:
            if ((style & (ES_MULTILINE | ES_READONLY)) != (ES_MULTILINE | ES_READONLY))
                Fail("%s: style 0x%08lx is not multi-line and read-only", row.why, style);
            // An edit box may turn its WS_BORDER into a sunken client edge.
            if ((style & WS_BORDER) == 0 && (ex_style & WS_EX_CLIENTEDGE) == 0)
                Fail("%s: no border (style 0x%08lx, extended 0x%08lx)", row.why, style, ex_style);
            break;
        case ControlKind::kStatic:
            if ((style & SS_TYPEMASK) != SS_LEFT)
                Fail("%s: static type 0x%lx, not left-aligned text", row.why, style & SS_TYPEMASK);
            break;
    }
    ExpectText(row.why, control, row.live_text);
}

void StepCheckDialog() {
    char class_name[64];
    GetClassNameA(g_dialog, class_name, sizeof class_name);
    if (strcmp(class_name, "#32770") != 0) Fail("dialog class %s, not #32770", class_name);
    ExpectText("caption", g_dialog, kDialogCaption);

    DWORD style = static_cast<DWORD>(GetWindowLongA(g_dialog, GWL_STYLE));
    const DWORD kMustHave = kDialogStyle | WS_VISIBLE;
    const DWORD kMustNotHave = WS_CHILD | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                               WS_VSCROLL | WS_HSCROLL | WS_DISABLED;
    if ((style & kMustHave) != kMustHave || (style & kMustNotHave) != 0)
        Fail("dialog style 0x%08lx: needs 0x%08lx, must lack 0x%08lx", style, kMustHave,
             kMustNotHave);
    if (GetMenu(g_dialog) != nullptr) Fail("the dialog has a menu");

    RECT expected = DialogUnits(0, 0, kDialogWidthDu, kDialogHeightDu);
    RECT client;
    GetClientRect(g_dialog, &client);
    if (client.right != expected.right || client.bottom != expected.bottom)
        Fail("client area %ldx%ld, not %ldx%ld (%dx%d dialog units)", client.right, client.bottom,
             expected.right, expected.bottom, kDialogWidthDu, kDialogHeightDu);

    DWORD_PTR icon = 0;
    const WPARAM kIcons[] = {ICON_BIG, ICON_SMALL};
    for (WPARAM which : kIcons) {
        SendMessageTimeoutA(g_dialog, WM_GETICON, which, 0, SMTO_NORMAL, kWaitMs, &icon);
        if (icon != 0) Fail("the dialog sets an icon of its own (WM_GETICON %u)", (unsigned)which);
    }
    DWORD_PTR default_id = 0;
    SendMessageTimeoutA(g_dialog, DM_GETDEFID, 0, 0, SMTO_NORMAL, kWaitMs, &default_id);
    if (default_id != MAKELONG(IDOK, DC_HASDEFID))
        Fail("default button 0x%08lx, not IDOK", static_cast<unsigned long>(default_id));

    int index = 0;
    for (HWND control = GetWindow(g_dialog, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT), ++index) {
        if (index < kControlCount) CheckLiveControl(kControls[index], control);
    }
    if (index != kControlCount) Fail("%d controls, not %d", index, kControlCount);

    const int kStops = static_cast<int>(sizeof kTabOrder / sizeof kTabOrder[0]);
    HWND first = GetNextDlgTabItem(g_dialog, nullptr, FALSE);
    if (first != GetDlgItem(g_dialog, kTabOrder[0]))
        Fail("first tab stop is control %d, not %d", GetDlgCtrlID(first), kTabOrder[0]);
    for (int i = 0; i < kStops; ++i) {
        HWND from = GetDlgItem(g_dialog, kTabOrder[i]);
        HWND next = GetNextDlgTabItem(g_dialog, from, FALSE);
        HWND back = GetNextDlgTabItem(g_dialog, from, TRUE);
        int want_next = kTabOrder[(i + 1) % kStops];
        int want_back = kTabOrder[(i + kStops - 1) % kStops];
        if (next == nullptr || GetDlgCtrlID(next) != want_next)
            Fail("Tab from %d goes to %d, not %d", kTabOrder[i], next ? GetDlgCtrlID(next) : 0,
                 want_next);
        if (back == nullptr || GetDlgCtrlID(back) != want_back)
            Fail("Shift+Tab from %d goes to %d, not %d", kTabOrder[i],
                 back ? GetDlgCtrlID(back) : 0, want_back);
    }
}

// A little reader over the bytes of a dialog template resource.
struct TemplateReader {
    const BYTE* at;
    const BYTE* end;
    bool ok;

    WORD Word() {
        if (end - at < 2) return ok = false, 0;
        WORD value = static_cast<WORD>(at[0] | at[1] << 8);
        at += 2;
        return value;
    }
    DWORD Dword() {
        WORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    void AlignDword(const BYTE* base) {
        while ((at - base) % 4 != 0) ++at;
    }
    // A string or an ordinal (0xFFFF and a number); a string comes out in code page 932.
    void StringOrOrdinal(char* out, size_t out_size, int* ordinal) {
        *ordinal = -1;
        out[0] = '\0';
        wchar_t wide[kTextSize];
        size_t length = 0;
        WORD first = Word();
        if (first == 0xFFFF) {
            *ordinal = Word();
            return;
        }
        for (WORD c = first; ok && c != 0; c = Word())
            if (length + 1 < kTextSize) wide[length++] = c;
        wide[length] = 0;
        int bytes = WideCharToMultiByte(932, 0, wide, static_cast<int>(length), out,
                                        static_cast<int>(out_size) - 1, nullptr, nullptr);
        out[bytes > 0 ? bytes : 0] = '\0';
    }
};

const char* OrdinalClass(int ordinal) {
    switch (ordinal) {
        case 0x80: return "Button";
        case 0x81: return "Edit";
        case 0x82: return "Static";
    }
    return "?";
}

BOOL CALLBACK NoteIcon(HMODULE, LPCSTR, LPSTR, LONG_PTR found) {
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

void StepCheckTemplate() {
    char path[MAX_PATH];
    DWORD path_size = sizeof path;
    if (!QueryFullProcessImageNameA(g_process.hProcess, 0, path, &path_size)) {
        Fail("cannot get the program's path");
        return;
    }
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = module ? FindResourceA(module, "REGISTER_START", RT_DIALOG) : nullptr;
    const BYTE* bytes =
        found ? static_cast<const BYTE*>(LockResource(LoadResource(module, found))) : nullptr;
    if (bytes == nullptr) {
        Fail("no dialog template REGISTER_START in %s", path);
        return;
    }
    if (FindResourceA(module, MAKEINTRESOURCEA(1), RT_MANIFEST) == nullptr)
        Fail("no application manifest in %s", path);
    bool has_icon = false;
    EnumResourceNamesA(module, RT_GROUP_ICON, NoteIcon, reinterpret_cast<LONG_PTR>(&has_icon));
    if (!has_icon) Fail("no icon in %s", path);

    TemplateReader in = {bytes, bytes + SizeofResource(module, found), true};
    bool extended = in.Word() == 1 && in.Word() == 0xFFFF;
    DWORD style, ex_style;
    if (extended) {
        in.Dword();  // help id
        ex_style = in.Dword();
        style = in.Dword();
    } else {
        in.at = bytes;
        style = in.Dword();
        ex_style = in.Dword();
    }
    int count = in.Word();
    short x = in.Word(), y = in.Word(), width = in.Word(), height = in.Word();
    if (style != kDialogStyle) Fail("template style 0x%08lx, not 0x%08lx", style, kDialogStyle);
    if (ex_style != 0) Fail("template extended style 0x%08lx, not 0", ex_style);
    if (x != 0 || y != 0 || width != kDialogWidthDu || height != kDialogHeightDu)
        Fail("template at %d,%d size %dx%d, not 0,0 size %dx%d", x, y, width, height,
             kDialogWidthDu, kDialogHeightDu);
    static char text[kTextSize];
    int ordinal;
    in.StringOrOrdinal(text, sizeof text, &ordinal);
    if (text[0] != '\0' || ordinal != -1) Fail("the template names a menu");
    in.StringOrOrdinal(text, sizeof text, &ordinal);
    if (text[0] != '\0' || ordinal != -1) Fail("the template names a window class");
    in.StringOrOrdinal(text, sizeof text, &ordinal);
    if (strcmp(text, kDialogCaption) != 0)
        Fail("template caption \"%s\"", Shown(text, static_cast<int>(strlen(text))));
    if (style & DS_SETFONT) {
        int points = in.Word();
        if (extended) in.Dword();  // weight, italic, character set
        wchar_t face[64];
        size_t length = 0;
        for (WORD c = in.Word(); in.ok && c != 0; c = in.Word())
            if (length + 1 < 64) face[length++] = c;
        face[length] = 0;
        if (points != kDialogFontPoints || wcscmp(face, kDialogFont) != 0)
            Fail("template font %d points, face of %u characters unlike the expected one", points,
                 static_cast<unsigned>(length));
    }
    if (count != kControlCount) Fail("template holds %d controls, not %d", count, kControlCount);

    for (int i = 0; i < count && i < kControlCount && in.ok; ++i) {
        const ExpectedControl& row = kControls[i];
        in.AlignDword(bytes);
        DWORD item_style, item_ex_style, id;
        if (extended) {
            in.Dword();  // help id
            item_ex_style = in.Dword();
            item_style = in.Dword();
        } else {
            item_style = in.Dword();
            item_ex_style = in.Dword();
        }
        short item_x = in.Word(), item_y = in.Word(), item_w = in.Word(), item_h = in.Word();
        id = extended ? in.Dword() : in.Word();
        char class_name[64];
        in.StringOrOrdinal(class_name, sizeof class_name, &ordinal);
        if (ordinal != -1) lstrcpynA(class_name, OrdinalClass(ordinal), sizeof class_name);
        in.StringOrOrdinal(text, sizeof text, &ordinal);
        in.at += in.Word();  // creation data

        if (static_cast<WORD>(id) != static_cast<WORD>(row.id))
            Fail("template control %d: id %ld, not %d (%s)", i, static_cast<long>(id), row.id,
                 row.why);
        if (lstrcmpiA(class_name, KindClass(row.kind)) != 0)
            Fail("template control %d (%s): class %s, not %s", i, row.why, class_name,
                 KindClass(row.kind));
        if (item_style != row.style || item_ex_style != 0)
            Fail("template control %d (%s): style 0x%08lx ex 0x%08lx, not 0x%08lx ex 0", i, row.why,
                 item_style, item_ex_style, row.style);
        if (item_x != row.x || item_y != row.y || item_w != row.width || item_h != row.height)
            Fail("template control %d (%s): %d,%d %dx%d, not %d,%d %dx%d", i, row.why, item_x,
                 item_y, item_w, item_h, row.x, row.y, row.width, row.height);
        if (ordinal != -1 || strcmp(text, row.template_text) != 0)
            Fail("template control %d (%s): text \"%s\"", i, row.why,
                 Shown(text, static_cast<int>(strlen(text))));
    }
    if (!in.ok) Fail("the template ends early");
    FreeLibrary(module);
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

void StepCheckFocus(const char* args) {
    int id = atoi(args);
    HWND want = GetDlgItem(g_dialog, id);
    DWORD start = GetTickCount();
    while (FocusOf(g_dialog) != want && !Elapsed(start, 5000)) PumpFor(kPollMs);
    HWND focus = FocusOf(g_dialog);
    if (want == nullptr || focus != want)
        Fail("focus on %p (control %d), not on control %d", static_cast<void*>(focus),
             focus ? GetDlgCtrlID(focus) : 0, id);
}

void StepCheckOwner(char* args) {
    char* name;
    NextWord(args, &name);
    HWND want = strcmp(name, "none") == 0 ? nullptr : FindNamedWindow(name, strlen(name));
    if (want == nullptr && strcmp(name, "none") != 0) {
        Fail("no window named %s", name);
        return;
    }
    HWND owner = GetWindow(g_dialog, GW_OWNER);
    if (owner != want)
        Fail("owner %ld, not %ld (%s)", static_cast<long>(reinterpret_cast<INT_PTR>(owner)),
             static_cast<long>(reinterpret_cast<INT_PTR>(want)), name);
}

void StepCheckCentred() {
    int screen_width = GetSystemMetrics(SM_CXSCREEN);
    int screen_height = GetSystemMetrics(SM_CYSCREEN);
    RECT rect;
    GetWindowRect(g_dialog, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    int x = (screen_width - width) / 2, y = (screen_height - height) / 2;
    if (rect.left != x || rect.top != y)
        Fail("dialog %dx%d at %ld,%ld on a %dx%d screen, not at %d,%d", width, height, rect.left,
             rect.top, screen_width, screen_height, x, y);
    else
        Note("dialog %dx%d centred at %d,%d on a %dx%d screen", width, height, x, y, screen_width,
             screen_height);
}

void StepCheckGlyphs() {
    HWND reference = ReferenceDialog();
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(reference, WM_GETFONT, 0, 0));
    HDC dc = GetDC(reference);
    HGDIOBJ old = SelectObject(dc, font);
    char face[LF_FACESIZE];
    GetTextFaceA(dc, sizeof face, face);
    Note("the dialog font is drawn with \"%s\"", Shown(face, static_cast<int>(strlen(face))));
    const char* texts[kControlCount + 2] = {kDialogCaption};
    int text_count = 1;
    for (const ExpectedControl& row : kControls) texts[text_count++] = row.live_text;
    for (int i = 0; i < text_count; ++i) {
        static wchar_t wide[kTextSize];
        static WORD glyphs[kTextSize];
        int length = MultiByteToWideChar(932, 0, texts[i], -1, wide, kTextSize) - 1;
        if (GetGlyphIndicesW(dc, wide, length, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR) {
            Fail("GetGlyphIndicesW failed");
            continue;
        }
        for (int c = 0; c < length; ++c)
            if (glyphs[c] == 0xFFFF && wide[c] >= 0x80) {
                Fail("no glyph for U+%04X in \"%s\"", wide[c],
                     Shown(texts[i], static_cast<int>(strlen(texts[i]))));
                break;
            }
    }
    SelectObject(dc, old);
    ReleaseDC(reference, dc);
}

int WideTextOf(HWND window, wchar_t* out, int out_size) {
    DWORD_PTR length = 0;
    out[0] = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, out_size, reinterpret_cast<LPARAM>(out),
                             SMTO_NORMAL, kWaitMs, &length))
        return -1;
    out[out_size - 1] = 0;
    return static_cast<int>(length);
}

// The expectations are Shift_JIS bytes; as Unicode they are the same texts on any code page.
void ExpectWideText(const char* what, HWND window, const char* expected_932) {
    static wchar_t expected[kTextSize], actual[kTextSize];
    int expected_length =
        MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, expected_932, -1, expected, kTextSize) - 1;
    int length = WideTextOf(window, actual, kTextSize);
    int same = 0;
    while (same < length && same < expected_length && actual[same] == expected[same]) ++same;
    if (expected_length < 0)
        Fail("%s: the expected text is no Shift_JIS", what);
    else if (length != expected_length || same != length)
        Fail("%s: %d UTF-16 units (%d expected), unit %d is U+%04X, not U+%04X", what, length,
             expected_length, same, same < length ? actual[same] : 0,
             same < expected_length ? expected[same] : 0);
}

void StepCheckUnicode(const char* args) {
    UINT want = strtoul(args, nullptr, 10);
    if (GetACP() != want) Fail("the system code page is %u, not %u", GetACP(), want);
    ExpectWideText("caption", g_dialog, kDialogCaption);
    int index = 0;
    for (HWND control = GetWindow(g_dialog, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT), ++index)
        if (index < kControlCount)
            ExpectWideText(kControls[index].why, control, kControls[index].live_text);
    if (index != kControlCount) Fail("%d controls, not %d", index, kControlCount);
    Note("code page %u: the caption and %d controls read as Unicode", GetACP(), index);
}

// The program's own template, made into a hidden dialog in this process: a font handle is good
// only in the process that made it, so the texts are measured with the copy's fonts.
HWND TemplateCopy(HMODULE* module) {
    char path[MAX_PATH];
    DWORD path_size = sizeof path;
    *module = nullptr;
    if (!QueryFullProcessImageNameA(g_process.hProcess, 0, path, &path_size)) return nullptr;
    *module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const wchar_t* kDialogType = MAKEINTRESOURCEW(5);  // RT_DIALOG
    HRSRC found = *module ? FindResourceW(*module, L"REGISTER_START", kDialogType) : nullptr;
    void* bytes = found ? LockResource(LoadResource(*module, found)) : nullptr;
    if (bytes == nullptr) return nullptr;
    return CreateDialogIndirectParamW(GetModuleHandleA(nullptr),
                                      static_cast<const DLGTEMPLATE*>(bytes), nullptr,
                                      ReferenceProc, 0);
}

RECT RectIn(HWND window, HWND parent) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The width of `text` drawn with `control`'s font.
long TextWidth(HWND control, const wchar_t* text, int length) {
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text, length, &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return extent.cx;
}

void CheckTextsFit(HWND copy) {
    RECT real_client, copy_client;
    GetClientRect(g_dialog, &real_client);
    GetClientRect(copy, &copy_client);
    if (!EqualRect(&real_client, &copy_client))
        Fail("the template's copy is %ldx%ld, the dialog %ldx%ld: their fonts differ",
             copy_client.right, copy_client.bottom, real_client.right, real_client.bottom);
    HWND real = GetWindow(g_dialog, GW_CHILD), mine = GetWindow(copy, GW_CHILD);
    for (int index = 0; real != nullptr && mine != nullptr && index < kControlCount;
         real = GetWindow(real, GW_HWNDNEXT), mine = GetWindow(mine, GW_HWNDNEXT), ++index) {
        const ExpectedControl& row = kControls[index];
        RECT real_rect = RectIn(real, g_dialog), copy_rect = RectIn(mine, copy);
        if (!EqualRect(&real_rect, &copy_rect)) Fail("%s: placed unlike the copy", row.why);
        if (row.kind == ControlKind::kEdit) continue;  // it wraps its lines and scrolls
        static wchar_t text[kTextSize];
        int length = WideTextOf(real, text, kTextSize);
        RECT client;
        GetClientRect(real, &client);
        long width = TextWidth(mine, text, length > 0 ? length : 0);
        if (width > client.right)
            Fail("%s: text %ld px wide in %ld px, clipped by %ld px", row.why, width, client.right,
                 width - client.right);
        else
            Note("%s: text %ld px wide in %ld px", row.why, width, client.right);
    }
}

void StepCheckFit(const char* args) {
    UINT want = strtoul(args, nullptr, 10);
    // As the program sees the screen: it declares itself DPI aware (Wine knows no V2).
    DPI_AWARENESS_CONTEXT old =
        SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    if (old == nullptr) old = SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    if (old == nullptr) Fail("cannot make the driver DPI aware");
    UINT dpi = GetDpiForWindow(g_dialog);
    if (dpi != want) Fail("the dialog is at %u dpi, not %u", dpi, want);
    int screen_width = GetSystemMetrics(SM_CXSCREEN), screen_height = GetSystemMetrics(SM_CYSCREEN);
    RECT rect;
    GetWindowRect(g_dialog, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    Note("at %u dpi the dialog is %dx%d at %ld,%ld on a %dx%d screen", dpi, width, height,
         rect.left, rect.top, screen_width, screen_height);
    if (rect.left != (screen_width - width) / 2 || rect.top != (screen_height - height) / 2)
        Fail("the dialog is not centred");
    if (rect.left < 0 || rect.top < 0 || rect.right > screen_width || rect.bottom > screen_height)
        Fail("the dialog is not wholly on the screen");
    HMODULE module;
    HWND copy = TemplateCopy(&module);
    if (copy == nullptr) Fail("cannot make a copy of the program's template");
    if (copy != nullptr) CheckTextsFit(copy);
    if (copy != nullptr) DestroyWindow(copy);
    if (module != nullptr) FreeLibrary(module);
    if (old != nullptr) SetThreadDpiAwarenessContext(old);
}

bool StepClick(const char* args) {
    int id = atoi(args);
    HWND control = GetDlgItem(g_dialog, id);
    DWORD_PTR result;
    if (control == nullptr ||
        !SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, kWaitMs, &result)) {
        Fail("could not click control %d", id);
        return false;
    }
    return true;
}

// Posted, not sent: for a button whose press shows a message box that the next step closes.
bool StepClickAsync(const char* args) {
    HWND control = GetDlgItem(g_dialog, atoi(args));
    if (control == nullptr || !PostMessageW(control, BM_CLICK, 0, 0)) {
        Fail("could not click control %s", args);
        return false;
    }
    return true;
}

bool SendKey(WORD key) {
    INPUT input[2] = {};
    for (INPUT& one : input) {
        one.type = INPUT_KEYBOARD;
        one.ki.wVk = key;
        one.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    }
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, input, sizeof input[0]) == 2;
}

bool StepKey(char* args) {
    if (GetForegroundWindow() != g_dialog) {
        SetForegroundWindow(g_dialog);
        PumpFor(200);
    }
    if (GetForegroundWindow() != g_dialog) {
        Fail("the dialog is not the foreground window, so it would not get the keys");
        return false;
    }
    while (*args != '\0') {
        char* name;
        args = NextWord(args, &name);
        WORD key = strcmp(name, "escape") == 0   ? VK_ESCAPE
                   : strcmp(name, "return") == 0 ? VK_RETURN
                   : strcmp(name, "tab") == 0    ? VK_TAB
                   : strcmp(name, "space") == 0  ? VK_SPACE
                                                 : 0;
        if (key == 0 || !SendKey(key)) {
            Fail("cannot send the key %s", name);
            return false;
        }
        PumpFor(300);
    }
    return true;
}

DWORD_PTR HitTest(long x, long y) {
    DWORD_PTR hit = HTNOWHERE;
    SendMessageTimeoutA(g_dialog, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, kWaitMs, &hit);
    return hit;
}

// A real left click at a screen point, through the input queue as a user's would come.
bool ClickScreenPoint(long x, long y) {
    // Absolute mouse positions are in 65536ths of the screen.
    int screen_width = GetSystemMetrics(SM_CXSCREEN), screen_height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3] = {};
    for (INPUT& one : input) {
        one.type = INPUT_MOUSE;
        one.mi.dx = (x * 65536 + screen_width / 2) / screen_width;
        one.mi.dy = (y * 65536 + screen_height / 2) / screen_height;
        one.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    }
    input[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    input[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    for (INPUT& one : input) {
        if (SendInput(1, &one, sizeof one) != 1) {
            Fail("SendInput failed");
            return false;
        }
        PumpFor(150);
    }
    return true;
}

bool StepCloseBox() {
    // Find the close box where the dialog itself says it is: hit-test across the middle of the
    // caption from the right, then up and down through the middle of what was found.
    RECT rect, client;
    GetWindowRect(g_dialog, &rect);
    GetClientRect(g_dialog, &client);
    MapWindowPoints(g_dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    long row = (rect.top + client.top) / 2;
    long left = LONG_MAX, right = LONG_MIN, top = LONG_MAX, bottom = LONG_MIN;
    for (long x = rect.right - 1; x > rect.right - 80 && x >= rect.left; --x)
        if (HitTest(x, row) == HTCLOSE) {
            if (x < left) left = x;
            if (x > right) right = x;
        }
    if (left > right) {
        Fail("the dialog has no close box");
        return false;
    }
    long column = (left + right) / 2;
    for (long y = rect.top; y < client.top; ++y)
        if (HitTest(column, y) == HTCLOSE) {
            if (y < top) top = y;
            if (y > bottom) bottom = y;
        }
    Note("close box at %ld,%ld-%ld,%ld", left, top, right, bottom);
    return ClickScreenPoint(column, (top + bottom) / 2);
}

int LogRecords() {
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(kLaunchLogVariable, path, sizeof path);
    if (length == 0 || length >= sizeof path) return -1;
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return 0;
    static char bytes[1 << 16];
    size_t size = fread(bytes, 1, sizeof bytes - 1, file);
    fclose(file);
    bytes[size] = '\0';
    int records = 0;
    for (const char* p = bytes; (p = strstr(p, kLaunchRecordEnd)) != nullptr; ++p) ++records;
    return records;
}

bool StepWaitLog(const char* args) {
    int want = atoi(args);
    DWORD start = GetTickCount();
    int records;
    while ((records = LogRecords()) < want) {
        if (records < 0) {
            Fail("%s is not set", kLaunchLogVariable);
            return false;
        }
        if (Elapsed(start, kWaitMs)) {
            Fail("the launch log holds %d records after %lu ms, not %d", records, kWaitMs, want);
            return false;
        }
        PumpFor(kPollMs);
    }
    PumpFor(500);  // a launch too many would show up now
    records = LogRecords();
    if (records != want) Fail("the launch log holds %d records, not %d", records, want);
    return records == want;
}

// Waits for `process` to end and checks its exit code against `args`; false when it still runs.
bool WaitForExitCode(HANDLE process, const char* args, const char* who) {
    DWORD want = strtoul(args, nullptr, 10);
    DWORD start = GetTickCount();
    while (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
        if (Elapsed(start, kWaitMs)) {
            Fail("%s still runs after %lu ms", who, kWaitMs);
            return false;
        }
        PumpFor(kPollMs);
    }
    DWORD exit_code = 0;
    GetExitCodeProcess(process, &exit_code);
    if (exit_code != want) Fail("%s ended with exit code %lu, not %lu", who, exit_code, want);
    Note("%s ended with exit code %lu", who, exit_code);
    return true;
}

bool StepWaitExit(const char* args) {
    if (!g_started) {
        Fail("no program started");
        return false;
    }
    if (!WaitForExitCode(g_process.hProcess, args, "the program")) return false;
    if (g_dialog != nullptr && IsWindow(g_dialog)) Fail("the dialog outlived its program");
    ForgetProcess();
    return true;
}

void WriteRect(FILE* file, const char* what, int id, RECT rect) {
    fprintf(file, "%s %d %ld %ld %ld %ld\n", what, id, rect.left, rect.top, rect.right,
            rect.bottom);
}

bool StepGeometry(const char* path) {
    FILE* file = fopen(path, "wb");
    if (file == nullptr) {
        Fail("cannot write %s", path);
        return false;
    }
    COLORREF face = GetSysColor(COLOR_3DFACE);
    fprintf(file, "screen 0 %d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    fprintf(file, "face 0 %d %d %d\n", GetRValue(face), GetGValue(face), GetBValue(face));
    RECT rect;
    GetWindowRect(g_dialog, &rect);
    WriteRect(file, "dialog", 0, rect);
    GetClientRect(g_dialog, &rect);
    MapWindowPoints(g_dialog, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    WriteRect(file, "client", 0, rect);

    HWND reference = ReferenceDialog();
    HDC dc = GetDC(reference);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(reference, WM_GETFONT, 0, 0)));
    int index = 0;
    for (HWND control = GetWindow(g_dialog, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT), ++index) {
        GetWindowRect(control, &rect);
        WriteRect(file, "control", index, rect);
        GetClientRect(control, &rect);
        MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        WriteRect(file, "inner", index, rect);
        if (index < kControlCount) {
            SIZE extent = {};
            const char* text = kControls[index].live_text;
            GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &extent);
            fprintf(file, "text %d %ld %ld\n", index, extent.cx, extent.cy);
        }
    }
    SelectObject(dc, old);
    ReleaseDC(reference, dc);
    fclose(file);
    return true;
}

bool StepHandshake(const char* prefix) {
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s.ready", prefix);
    FILE* ready = fopen(path, "wb");
    if (ready == nullptr) {
        Fail("cannot write %s", path);
        return false;
    }
    fclose(ready);
    snprintf(path, sizeof path, "%s.done", prefix);
    DWORD start = GetTickCount();
    while (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        if (Elapsed(start, 2 * kWaitMs)) {
            Fail("nobody answered %s", path);
            return false;
        }
        PumpFor(50);
    }
    return true;
}

HWND NamedWindowArg(char* args, char** rest) {
    char* name;
    *rest = NextWord(args, &name);
    HWND window = FindNamedWindow(name, strlen(name));
    if (window == nullptr) Fail("no window named %s", name);
    return window;
}

// The started program and the programs started from it, at any depth, as far as the driver has
// seen them start. A process is known by its parent's id, so a program whose parent has already
// ended is still found once the driver saw that parent running.
constexpr int kMaxTree = 32;
DWORD g_tree[kMaxTree];
int g_tree_count = 0;

bool InStartedTree(DWORD process_id) {
    for (int i = 0; i < g_tree_count; ++i)
        if (g_tree[i] == process_id) return true;
    return false;
}

void RefreshStartedTree() {
    DWORD root = g_parent_started ? g_parent.dwProcessId : g_process.dwProcessId;
    if (g_tree_count == 0 || g_tree[0] != root) {
        g_tree[0] = root;
        g_tree_count = root != 0 ? 1 : 0;
    }
    if (g_tree_count == 0) return;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    for (bool added = true; added;) {
        added = false;
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more;
             more = Process32Next(snapshot, &entry)) {
            if (g_tree_count < kMaxTree && !InStartedTree(entry.th32ProcessID) &&
                InStartedTree(entry.th32ParentProcessID)) {
                g_tree[g_tree_count++] = entry.th32ProcessID;
                added = true;
            }
        }
    }
    CloseHandle(snapshot);
}

// Ends what a failed run leaves of the started programs (an installer's wizard waiting on a
// message box), so that the virtual desktop, which waits for its programs, can close.
void EndStartedTree() {
    for (int i = 0; i < g_tree_count; ++i) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, g_tree[i]);
        if (process == nullptr) continue;
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            Note("process %lu was left running; ending it", g_tree[i]);
            TerminateProcess(process, 99);
        }
        CloseHandle(process);
    }
}

// The started program's visible top-level window of `class_name` whose caption holds `text`.
HWND FindProgramWindow(const char* class_name, const char* text) {
    RefreshStartedTree();
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, class_name, nullptr)) != nullptr) {
        DWORD process_id = 0;
        GetWindowThreadProcessId(window, &process_id);
        static char caption[kTextSize];
        if (InStartedTree(process_id) && IsWindowVisible(window) &&
            GetWindowTextA(window, caption, sizeof caption) > 0 && strstr(caption, text) != nullptr)
            return window;
    }
    return nullptr;
}

bool StepWaitWindow(char* args) {
    char *name, *class_name;
    char* text = NextWord(NextWord(args, &name), &class_name);
    if (!g_started) {
        Fail("no program started");
        return false;
    }
    DWORD start = GetTickCount();
    HWND window;
    while ((window = FindProgramWindow(class_name, text)) == nullptr) {
        if (Elapsed(start, kWaitMs)) {
            Fail("no window of class %s with \"%s\" in its caption after %lu ms", class_name,
                 Shown(text, static_cast<int>(strlen(text))), kWaitMs);
            return false;
        }
        PumpFor(kPollMs);
    }
    Note("window %s = %ld appeared after %lu ms", name,
         static_cast<long>(reinterpret_cast<INT_PTR>(window)), GetTickCount() - start);
    return AddWindow(name, window);
}

bool StepPress(char* args) {
    char* rest;
    HWND window = NamedWindowArg(args, &rest);
    if (window == nullptr) return false;
    int id = atoi(rest);
    DWORD start = GetTickCount();
    HWND control;
    while ((control = GetDlgItem(window, id)) == nullptr || !IsWindowEnabled(control) ||
           !IsWindowVisible(control)) {
        if (Elapsed(start, kWaitMs)) {
            Fail("control %d is not there to press after %lu ms", id, kWaitMs);
            return false;
        }
        PumpFor(kPollMs);
    }
    static char before[kTextSize], after[kTextSize];
    int before_length = TextOf(control, before, sizeof before);
    Note("press %d \"%s\"", id, Shown(before, before_length));
    DWORD_PTR result;
    if (!SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, kWaitMs, &result) &&
        IsWindow(control)) {
        Fail("could not press control %d", id);
        return false;
    }
    // The press is handled once the page changed or the window went away.
    start = GetTickCount();
    while (IsWindow(control) && IsWindowEnabled(control) && IsWindowVisible(control) &&
           TextOf(control, after, sizeof after) == before_length &&
           memcmp(before, after, before_length) == 0) {
        if (Elapsed(start, kWaitMs)) {
            Fail("pressing control %d changed nothing in %lu ms", id, kWaitMs);
            return false;
        }
        PumpFor(kPollMs);
    }
    return true;
}

// A visible dialog with the caption, shown by a program that the started program started.
HWND FindChildDialog(DWORD* process_id) {
    RefreshStartedTree();
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, nullptr, kDialogCaption)) != nullptr) {
        GetWindowThreadProcessId(window, process_id);
        if (IsWindowVisible(window) && *process_id != g_process.dwProcessId &&
            InStartedTree(*process_id))
            return window;
    }
    return nullptr;
}

BOOL CALLBACK NoteTopLevelWindow(HWND window, LPARAM) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    char class_name[64] = "";
    GetClassNameA(window, class_name, sizeof class_name);
    wchar_t title[128] = L"";
    GetWindowTextW(window, title, 128);
    char shown[512] = "";
    WideCharToMultiByte(CP_UTF8, 0, title, -1, shown, sizeof shown, nullptr, nullptr);
    if (strcmp(class_name, "tooltips_class32") != 0 && strcmp(class_name, "IME") != 0)
        Note("  window %p of process %lu%s, %s: %s", static_cast<void*>(window), process_id,
             IsWindowVisible(window) ? "" : " (hidden)", class_name, shown);
    return TRUE;
}

bool StepWaitChildDialog() {
    if (!g_started || g_parent_started) {
        Fail("no program started, or already waiting on a program it started");
        return false;
    }
    DWORD start = GetTickCount(), process_id = 0;
    HWND dialog;
    while ((dialog = FindChildDialog(&process_id)) == nullptr) {
        if (Elapsed(start, kWaitMs)) {
            Fail("no dialog of a program started by the started one after %lu ms", kWaitMs);
            Note("the started programs' tree has %d processes; the windows are:", g_tree_count);
            EnumWindows(NoteTopLevelWindow, 0);
            return false;
        }
        PumpFor(kPollMs);
    }
    HANDLE process =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id);
    if (process == nullptr) {
        Fail("cannot open process %lu (error %lu)", process_id, GetLastError());
        return false;
    }
    g_parent = g_process;
    g_parent_started = true;
    g_process = {};
    g_process.hProcess = process;
    g_process.dwProcessId = process_id;
    g_dialog = dialog;
    DWORD idle = WaitForInputIdle(process, kWaitMs);
    if (idle != 0) {
        Fail("the program never became idle (%lu)", idle);
        return false;
    }
    PumpFor(200);
    Note("dialog %ld of process %lu appeared after %lu ms",
         static_cast<long>(reinterpret_cast<INT_PTR>(dialog)), process_id, GetTickCount() - start);
    return true;
}

void StepCheckAlive(char* args, bool want_alive) {
    char* rest;
    HWND window = NamedWindowArg(args, &rest);
    if (window != nullptr && (IsWindow(window) != FALSE) != want_alive)
        Fail("window %ld is %s", static_cast<long>(reinterpret_cast<INT_PTR>(window)),
             want_alive ? "gone" : "still there");
}

// As a closing installer does (Delphi's forms hide their owned pop-ups as they go), then the
// dialog must still be shown.
bool StepHidePopups(char* args) {
    char* rest;
    HWND window = NamedWindowArg(args, &rest);
    if (window == nullptr) return false;
    ShowOwnedPopups(window, FALSE);
    PumpFor(500);
    if (!IsWindowVisible(g_dialog)) Fail("the dialog was hidden with its owner's pop-ups");
    return true;
}

// The command line as the program's GetCommandLineA gives it: the Unicode one in its process
// parameters, in the ANSI code page.
// Reads another process's command line from its PEB. On failure returns -1 and names in `failure`
// the call that failed and its error code, so that a failing run explains itself.
int CommandLineOf(HANDLE process, char* out, int out_size, char* failure, size_t failure_size) {
    auto failed = [&](const char* call, unsigned long code) {
        snprintf(failure, failure_size, "%s failed with error %lu", call, code);
        return -1;
    };
    using QueryInformation = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryInformation>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    if (query == nullptr)
        return failed("GetProcAddress(NtQueryInformationProcess)", GetLastError());
    PROCESS_BASIC_INFORMATION basic = {};
    LONG status = query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr);
    if (status != 0) return failed("NtQueryInformationProcess", static_cast<unsigned long>(status));
    PEB peb = {};
    if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr))
        return failed("ReadProcessMemory(PEB)", GetLastError());
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    if (!ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr))
        return failed("ReadProcessMemory(ProcessParameters)", GetLastError());
    static wchar_t wide[kLineSize];
    int wide_length = parameters.CommandLine.Length / sizeof(wchar_t);
    if (wide_length >= static_cast<int>(kLineSize))
        return failed("the command line's length check", static_cast<unsigned long>(wide_length));
    if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, wide,
                           wide_length * sizeof(wchar_t), nullptr))
        return failed("ReadProcessMemory(CommandLine)", GetLastError());
    int length =
        WideCharToMultiByte(CP_ACP, 0, wide, wide_length, out, out_size - 1, nullptr, nullptr);
    if (length == 0 && wide_length != 0) return failed("WideCharToMultiByte", GetLastError());
    out[length] = '\0';
    return length;
}

void StepCheckCommandLine(const char* args) {
    static char expected[kLineSize], actual[kLineSize];
    int expected_length = ExpandNames(args, expected, sizeof expected);
    if (expected_length < 0) return;
    char failure[128];
    int length = CommandLineOf(g_process.hProcess, actual, sizeof actual, failure, sizeof failure);
    if (length < 0)
        Fail("cannot read the program's command line: %s", failure);
    else if (length != expected_length || memcmp(actual, expected, length) != 0)
        Fail("command line \"%s\", not \"%s\"", Shown(actual, length),
             Shown(expected, expected_length));
    else
        Note("command line \"%s\"", Shown(actual, length));
}

// Steps for installers whose controls carry no fixed ids (Inno Setup's wizard is a Delphi form).

struct ChildSearch {
    const char* text;        // wanted text, or nullptr
    const char* class_part;  // part of the wanted class name, or nullptr
    HWND found[16];
    int count;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    ChildSearch* search = reinterpret_cast<ChildSearch*>(param);
    if (!IsWindowVisible(child) || search->count == 16) return TRUE;
    if (search->class_part != nullptr) {
        char class_name[64];
        GetClassNameA(child, class_name, sizeof class_name);
        if (strstr(class_name, search->class_part) == nullptr) return TRUE;
    }
    if (search->text != nullptr) {
        static char text[kTextSize];
        int length = TextOf(child, text, sizeof text);
        if (length != static_cast<int>(strlen(search->text)) ||
            memcmp(text, search->text, length) != 0)
            return TRUE;
    }
    search->found[search->count++] = child;
    return TRUE;
}

// A checksum of which controls of `window` are visible and enabled: a page change alters it.
BOOL CALLBACK AddVisibleChild(HWND child, LPARAM sum) {
    DWORD* value = reinterpret_cast<DWORD*>(sum);
    if (IsWindowVisible(child))
        *value = *value * 31 + static_cast<DWORD>(reinterpret_cast<INT_PTR>(child)) * 2 +
                 (IsWindowEnabled(child) ? 1 : 0);
    return TRUE;
}

DWORD VisibleState(HWND window) {
    DWORD sum = 0;
    EnumChildWindows(window, AddVisibleChild, reinterpret_cast<LPARAM>(&sum));
    return sum;
}

bool StepPressText(char* args) {
    char* text;
    HWND window = NamedWindowArg(args, &text);
    if (window == nullptr) return false;
    DWORD start = GetTickCount();
    ChildSearch search = {text, nullptr, {}, 0};
    for (;;) {
        search.count = 0;
        EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&search));
        if (search.count == 1 && IsWindowEnabled(search.found[0])) break;
        if (search.count > 1 || Elapsed(start, kWaitMs)) {
            Fail("%d visible controls with the text \"%s\", not one enabled", search.count,
                 Shown(text, static_cast<int>(strlen(text))));
            return false;
        }
        PumpFor(kPollMs);
    }
    HWND control = search.found[0];
    DWORD before = VisibleState(window);
    Note("press \"%s\"", Shown(text, static_cast<int>(strlen(text))));
    DWORD_PTR result;
    if (!SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, kWaitMs, &result) &&
        IsWindow(control)) {
        Fail("could not press \"%s\"", Shown(text, static_cast<int>(strlen(text))));
        return false;
    }
    start = GetTickCount();
    while (IsWindow(window) && VisibleState(window) == before) {
        if (Elapsed(start, kWaitMs)) {
            Fail("pressing \"%s\" changed nothing in %lu ms",
                 Shown(text, static_cast<int>(strlen(text))), kWaitMs);
            return false;
        }
        PumpFor(kPollMs);
    }
    return true;
}

int CompareTops(const void* a, const void* b) {
    RECT first, second;
    GetWindowRect(*static_cast<const HWND*>(a), &first);
    GetWindowRect(*static_cast<const HWND*>(b), &second);
    return first.top < second.top ? -1 : first.top > second.top ? 1 : 0;
}

bool StepType(char* args) {
    char *rest, *number;
    HWND window = NamedWindowArg(args, &rest);
    if (window == nullptr) return false;
    const char* text = NextWord(rest, &number);
    ChildSearch search = {nullptr, "Edit", {}, 0};
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&search));
    qsort(search.found, search.count, sizeof search.found[0], CompareTops);
    int index = atoi(number);
    if (index < 1 || index > search.count) {
        Fail("no visible edit box %d (there are %d)", index, search.count);
        return false;
    }
    HWND edit = search.found[index - 1];
    static wchar_t wide[kTextSize];
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, kTextSize) - 1;
    DWORD_PTR result;
    SendMessageTimeoutA(edit, EM_SETSEL, 0, -1, SMTO_NORMAL, kWaitMs, &result);
    for (int i = 0; i < length; ++i) PostMessageW(edit, WM_CHAR, wide[i], 1);
    int want = static_cast<int>(strlen(text));
    static char typed[kTextSize];
    int typed_length;
    DWORD start = GetTickCount();
    while ((typed_length = TextOf(edit, typed, sizeof typed)) != want ||
           memcmp(typed, text, want) != 0) {
        if (Elapsed(start, kWaitMs)) {
            Fail("edit box %d holds \"%s\", not \"%s\"", index, Shown(typed, typed_length),
                 Shown(text, want));
            return false;
        }
        PumpFor(kPollMs);
    }
    Note("typed \"%s\" into edit box %d", Shown(text, want), index);
    return true;
}

bool StepClickItem(char* args) {
    char* rest;
    HWND window = NamedWindowArg(args, &rest);
    if (window == nullptr) return false;
    ChildSearch search = {nullptr, "ListBox", {}, 0};
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&search));
    RECT item = {};
    DWORD_PTR result = 0;
    if (search.count != 1 ||
        !SendMessageTimeoutA(search.found[0], LB_GETITEMRECT, atoi(rest),
                             reinterpret_cast<LPARAM>(&item), SMTO_NORMAL, kWaitMs, &result) ||
        static_cast<LRESULT>(result) == LB_ERR) {
        Fail("no item %d in one visible list box (%d list boxes)", atoi(rest), search.count);
        return false;
    }
    // Where a check list draws the item's box: at its left, as high as the item.
    POINT point = {item.left + (item.bottom - item.top) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(search.found[0], &point);
    Note("click item %d at %ld,%ld", atoi(rest), point.x, point.y);
    return ClickScreenPoint(point.x, point.y);
}

bool StepWaitParentExit(const char* args) {
    if (!g_parent_started) {
        Fail("no started program behind the dialog's program");
        return false;
    }
    if (!WaitForExitCode(g_parent.hProcess, args, "the started program")) return false;
    CloseHandle(g_parent.hThread);
    CloseHandle(g_parent.hProcess);
    g_parent = {};
    g_parent_started = false;
    return true;
}

void StepCheckOwnerOrNone(char* args) {
    char* name;
    NextWord(args, &name);
    HWND named = FindNamedWindow(name, strlen(name));
    HWND owner = GetWindow(g_dialog, GW_OWNER);
    if (named == nullptr || (owner != named && owner != nullptr))
        Fail("owner %ld, neither none nor %s", static_cast<long>(reinterpret_cast<INT_PTR>(owner)),
             name);
    else
        Note("owner %s", owner == nullptr ? "none" : name);
}

// Whether process `id`, whose file name is `name`, runs the program file `file`: a file name, or a
// full path from its drive letter on (a 0x5C trail byte would mislead a search for the last '\\').
bool RunsFile(DWORD id, const char* name, const char* file) {
    if (file[0] == '\0' || file[1] != ':') return lstrcmpiA(name, file) == 0;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (process == nullptr) return false;
    char path[MAX_PATH];
    DWORD path_size = sizeof path;
    bool same =
        QueryFullProcessImageNameA(process, 0, path, &path_size) && lstrcmpiA(path, file) == 0;
    CloseHandle(process);
    return same;
}

void StepCheckNoProcess(const char* file) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        Fail("no process snapshot (error %lu)", GetLastError());
        return;
    }
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (RunsFile(entry.th32ProcessID, entry.szExeFile, file)) {
            Fail("process %lu runs %s; ending it", entry.th32ProcessID,
                 Shown(file, static_cast<int>(strlen(file))));
            HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
            if (process != nullptr) TerminateProcess(process, 99), CloseHandle(process);
        }
    CloseHandle(snapshot);
}

// A message box of the started program, owned by its dialog.
HWND FindMessageBox() {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"#32770", nullptr)) != nullptr) {
        DWORD process_id = 0;
        GetWindowThreadProcessId(window, &process_id);
        if (process_id == g_process.dwProcessId && window != g_dialog &&
            GetWindow(window, GW_OWNER) == g_dialog && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

// Until the dialog's message box is shown; checks that its text holds TEXT (Shift_JIS here), then
// closes it with its OK button.
bool StepMessageBox(const char* args) {
    DWORD start = GetTickCount();
    HWND box;
    while ((box = FindMessageBox()) == nullptr) {
        if (Elapsed(start, kWaitMs)) {
            Fail("no message box after %lu ms", kWaitMs);
            return false;
        }
        PumpFor(kPollMs);
    }
    static wchar_t expected[kTextSize];
    static wchar_t text[kTextSize];
    FromShiftJis(args, expected, kTextSize);
    // The message box's text is its static control, 0xFFFF.
    GetDlgItemTextW(box, 0xFFFF, text, kTextSize);
    if (wcsstr(text, expected) == nullptr) {
        static char shown[kTextSize * 3];
        WideCharToMultiByte(CP_UTF8, 0, text, -1, shown, sizeof shown, nullptr, nullptr);
        Fail("the message box says \"%s\", without \"%s\"", shown, args);
    } else {
        Note("message box with %s", args);
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    start = GetTickCount();
    while (IsWindow(box)) {
        if (Elapsed(start, kWaitMs)) {
            Fail("the message box did not close");
            return false;
        }
        PumpFor(kPollMs);
    }
    return true;
}

bool NeedsDialog(const char* step) {
    if (g_dialog != nullptr && IsWindow(g_dialog)) return true;
    Fail("%s: there is no dialog", step);
    return false;
}

// Runs one step; false ends the run.
bool RunStep(char* line) {
    char* step;
    char* args = NextWord(line, &step);
    if (*step == '\0' || *step == '#') return true;
    if (strcmp(step, "window") == 0) return StepWindow(args);
    if (strcmp(step, "dead-window") == 0) return StepDeadWindow(args);
    if (strcmp(step, "start") == 0) return StepStart(args, false);
    if (strcmp(step, "start-unicode") == 0) return StepStart(args, true);
    if (strcmp(step, "wait-dialog") == 0) return StepWaitDialog();
    if (strcmp(step, "wait-log") == 0) return StepWaitLog(args);
    if (strcmp(step, "wait-exit") == 0) return StepWaitExit(args);
    if (strcmp(step, "handshake") == 0) return StepHandshake(args);
    if (strcmp(step, "sleep") == 0) return PumpFor(strtoul(args, nullptr, 10)), true;
    if (strcmp(step, "application") == 0) return StepApplication(args);
    if (strcmp(step, "wait-window") == 0) return StepWaitWindow(args);
    if (strcmp(step, "press") == 0) return StepPress(args);
    if (strcmp(step, "wait-child-dialog") == 0) return StepWaitChildDialog();
    if (strcmp(step, "check-alive") == 0) return StepCheckAlive(args, true), true;
    if (strcmp(step, "check-gone") == 0) return StepCheckAlive(args, false), true;
    if (strcmp(step, "check-command-line") == 0) return StepCheckCommandLine(args), true;
    if (strcmp(step, "press-text") == 0) return StepPressText(args);
    if (strcmp(step, "type") == 0) return StepType(args);
    if (strcmp(step, "click-item") == 0) return StepClickItem(args);
    if (strcmp(step, "wait-parent-exit") == 0) return StepWaitParentExit(args);
    if (strcmp(step, "check-no-process") == 0) return StepCheckNoProcess(args), true;
    if (!NeedsDialog(step)) return false;
    if (strcmp(step, "check-template") == 0) return StepCheckTemplate(), true;
    if (strcmp(step, "check-dialog") == 0) return StepCheckDialog(), true;
    if (strcmp(step, "check-focus") == 0) return StepCheckFocus(args), true;
    if (strcmp(step, "check-owner") == 0) return StepCheckOwner(args), true;
    if (strcmp(step, "check-owner-or-none") == 0) return StepCheckOwnerOrNone(args), true;
    if (strcmp(step, "check-centred") == 0) return StepCheckCentred(), true;
    if (strcmp(step, "check-glyphs") == 0) return StepCheckGlyphs(), true;
    if (strcmp(step, "check-unicode") == 0) return StepCheckUnicode(args), true;
    if (strcmp(step, "check-fit") == 0) return StepCheckFit(args), true;
    if (strcmp(step, "click") == 0) return StepClick(args);
    if (strcmp(step, "click-async") == 0) return StepClickAsync(args);
    if (strcmp(step, "key") == 0) return StepKey(args);
    if (strcmp(step, "close-box") == 0) return StepCloseBox();
    if (strcmp(step, "wm-close") == 0) return PostMessageA(g_dialog, WM_CLOSE, 0, 0) != FALSE;
    if (strcmp(step, "geometry") == 0) return StepGeometry(args);
    if (strcmp(step, "message-box") == 0) return StepMessageBox(args);
    if (strcmp(step, "hide-popups") == 0) return StepHidePopups(args);
    Fail("unknown step %s", step);
    return false;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc != 3) return 2;
    g_report = fopen(__argv[2], "wb");
    if (g_report == nullptr) return 3;
    FILE* scenario = fopen(__argv[1], "rb");
    if (scenario == nullptr) {
        fprintf(g_report, "cannot read %s\nFAILED 1\n", __argv[1]);
        fclose(g_report);
        return 1;
    }
    static char line[kLineSize];
    while (fgets(line, sizeof line, scenario) != nullptr) {
        ++g_line_number;
        line[strcspn(line, "\r\n")] = '\0';
        if (!RunStep(line)) {
            Note("run ended here");
            break;
        }
    }
    fclose(scenario);
    while (g_started) {
        Fail("the program was left running; ending it");
        TerminateProcess(g_process.hProcess, 99);
        WaitForSingleObject(g_process.hProcess, kWaitMs);
        ForgetProcess();  // and then the program that started it, if any
    }
    EndStartedTree();
    for (int i = 0; i < g_window_count; ++i)
        if (IsWindow(g_windows[i].window)) DestroyWindow(g_windows[i].window);
    if (g_reference != nullptr) DestroyWindow(g_reference);
    if (g_failures == 0)
        fprintf(g_report, "PASS\n");
    else
        fprintf(g_report, "FAILED %d\n", g_failures);
    fclose(g_report);
    return g_failures == 0 ? 0 : 1;
}
