#include "input.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "processes.h"

bool StepClick(Driver& driver, char* args) {
    int id = atoi(args);
    HWND control = GetDlgItem(driver.dialog, id);
    DWORD_PTR result;
    if (control == nullptr ||
        !SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, kWaitMs, &result)) {
        Fail("could not click control %d", id);
        return false;
    }
    return true;
}

// Posted, not sent: for a button whose press shows a message box that the next step closes.
bool StepClickAsync(Driver& driver, char* args) {
    HWND control = GetDlgItem(driver.dialog, atoi(args));
    if (control == nullptr || !PostMessageW(control, BM_CLICK, 0, 0)) {
        Fail("could not click control %s", args);
        return false;
    }
    return true;
}

namespace {

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

}  // namespace

bool StepKey(Driver& driver, char* args) {
    if (GetForegroundWindow() != driver.dialog) {
        SetForegroundWindow(driver.dialog);
        PumpFor(200);
    }
    if (GetForegroundWindow() != driver.dialog) {
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

namespace {

DWORD_PTR HitTest(HWND dialog, long x, long y) {
    DWORD_PTR hit = HTNOWHERE;
    SendMessageTimeoutA(dialog, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, kWaitMs, &hit);
    return hit;
}

}  // namespace

bool StepCloseBox(Driver& driver, char*) {
    // Find the close box where the dialog itself says it is: hit-test across the middle of the
    // caption from the right, then up and down through the middle of what was found.
    HWND dialog = driver.dialog;
    RECT rect, client;
    GetWindowRect(dialog, &rect);
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    long row = (rect.top + client.top) / 2;
    long left = LONG_MAX, right = LONG_MIN, top = LONG_MAX, bottom = LONG_MIN;
    for (long x = rect.right - 1; x > rect.right - 80 && x >= rect.left; --x)
        if (HitTest(dialog, x, row) == HTCLOSE) {
            if (x < left) left = x;
            if (x > right) right = x;
        }
    if (left > right) {
        Fail("the dialog has no close box");
        return false;
    }
    long column = (left + right) / 2;
    for (long y = rect.top; y < client.top; ++y)
        if (HitTest(dialog, column, y) == HTCLOSE) {
            if (y < top) top = y;
            if (y > bottom) bottom = y;
        }
    Note("close box at %ld,%ld-%ld,%ld", left, top, right, bottom);
    return ClickScreenPoint(column, (top + bottom) / 2);
}

bool StepWmClose(Driver& driver, char*) {
    return PostMessageA(driver.dialog, WM_CLOSE, 0, 0) != FALSE;
}

namespace {

int CompareTops(const void* a, const void* b) {
    RECT first, second;
    GetWindowRect(*static_cast<const HWND*>(a), &first);
    GetWindowRect(*static_cast<const HWND*>(b), &second);
    return first.top < second.top ? -1 : first.top > second.top ? 1 : 0;
}

}  // namespace

bool StepType(Driver& driver, char* args) {
    char *rest, *number;
    HWND window = NamedWindowArg(driver, args, &rest);
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
    int typed_length = 0;
    auto holds_text = [&] {
        typed_length = TextOf(edit, typed, sizeof typed);
        return typed_length == want && memcmp(typed, text, want) == 0;
    };
    auto holds_other = [&] {
        return Format("edit box %d holds \"%s\", not \"%s\"", index, Shown(typed, typed_length),
                      Shown(text, want));
    };
    if (!WaitUntil(holds_text, kWaitMs, holds_other)) return false;
    Note("typed \"%s\" into edit box %d", Shown(text, want), index);
    return true;
}

bool StepClickItem(Driver& driver, char* args) {
    char* rest;
    HWND window = NamedWindowArg(driver, args, &rest);
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

namespace {

// A message box of the started program, owned by its dialog.
HWND FindMessageBox(const Driver& driver) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"#32770", nullptr)) != nullptr) {
        DWORD process_id = 0;
        GetWindowThreadProcessId(window, &process_id);
        if (process_id == driver.process.dwProcessId && window != driver.dialog &&
            GetWindow(window, GW_OWNER) == driver.dialog && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

}  // namespace

// Until the dialog's message box is shown; checks that its text holds TEXT (Shift_JIS here), then
// closes it with its OK button.
bool StepMessageBox(Driver& driver, char* args) {
    HWND box = nullptr;
    auto shown = [&] { return (box = FindMessageBox(driver)) != nullptr; };
    if (!WaitUntil(shown, kWaitMs, Format("no message box after %lu ms", kWaitMs))) return false;
    static wchar_t expected[kTextSize];
    static wchar_t text[kTextSize];
    FromShiftJis(args, expected, kTextSize);
    // The message box's text is its static control, 0xFFFF.
    GetDlgItemTextW(box, 0xFFFF, text, kTextSize);
    if (wcsstr(text, expected) == nullptr) {
        static char shown_text[kTextSize * 3];
        WideCharToMultiByte(CP_UTF8, 0, text, -1, shown_text, sizeof shown_text, nullptr, nullptr);
        Fail("the message box says \"%s\", without \"%s\"", shown_text, args);
    } else {
        Note("message box with %s", args);
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    auto closed = [&] { return !IsWindow(box); };
    return WaitUntil(closed, kWaitMs, "the message box did not close");
}
