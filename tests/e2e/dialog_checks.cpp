#include "dialog_checks.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>
// After windows.h:
#include <oleacc.h>

#include "dialog_expectations.h"
#include "dialog_template.h"
#include "processes.h"

namespace {

INT_PTR CALLBACK ReferenceProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// A hidden dialog with the template's font, so that MapDialogRect gives the base units the real
// dialog was laid out with (MapDialogRect works only on a dialog of one's own process).
HWND ReferenceDialog(Driver& driver) {
    if (driver.reference != nullptr) return driver.reference;
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
    driver.reference =
        CreateDialogIndirectParamA(GetModuleHandleA(nullptr), header, nullptr, ReferenceProc, 0);
    return driver.reference;
}

// The dialog manager maps a control's position and its size each on its own, so the right edge
// is the mapped x plus the mapped width, not the mapped x + width.
RECT DialogUnits(Driver& driver, int x, int y, int width, int height) {
    RECT mapped = {x, y, width, height};
    if (!MapDialogRect(ReferenceDialog(driver), &mapped)) Fail("MapDialogRect failed");
    RECT rect = {mapped.left, mapped.top, mapped.left + mapped.right, mapped.top + mapped.bottom};
    return rect;
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

void CheckLiveControl(Driver& driver, const ExpectedControl& row, HWND control) {
    char class_name[64];
    GetClassNameA(control, class_name, sizeof class_name);
    if (lstrcmpiA(class_name, KindClass(row.kind)) != 0)
        Fail("%s: class %s, not %s", row.why, class_name, KindClass(row.kind));
    int id = GetDlgCtrlID(control);
    if (static_cast<WORD>(id) != static_cast<WORD>(row.id))
        Fail("%s: id %d, not %d", row.why, id, row.id);

    RECT expected = DialogUnits(driver, row.x, row.y, row.width, row.height);
    RECT actual;
    GetWindowRect(control, &actual);
    MapWindowPoints(nullptr, driver.dialog, reinterpret_cast<POINT*>(&actual), 2);
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
    ExpectText(row.why, control, row.text);
}

}  // namespace

void StepCheckDialog(Driver& driver, char*) {
    HWND dialog = driver.dialog;
    char class_name[64];
    GetClassNameA(dialog, class_name, sizeof class_name);
    if (strcmp(class_name, "#32770") != 0) Fail("dialog class %s, not #32770", class_name);
    ExpectText("caption", dialog, kDialogCaption);

    DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    const DWORD kMustHave = kDialogStyle | WS_VISIBLE;
    const DWORD kMustNotHave = WS_CHILD | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                               WS_VSCROLL | WS_HSCROLL | WS_DISABLED;
    if ((style & kMustHave) != kMustHave || (style & kMustNotHave) != 0)
        Fail("dialog style 0x%08lx: needs 0x%08lx, must lack 0x%08lx", style, kMustHave,
             kMustNotHave);
    if (GetMenu(dialog) != nullptr) Fail("the dialog has a menu");

    RECT expected = DialogUnits(driver, 0, 0, kDialogWidthDu, kDialogHeightDu);
    RECT client;
    GetClientRect(dialog, &client);
    if (client.right != expected.right || client.bottom != expected.bottom)
        Fail("client area %ldx%ld, not %ldx%ld (%dx%d dialog units)", client.right, client.bottom,
             expected.right, expected.bottom, kDialogWidthDu, kDialogHeightDu);

    DWORD_PTR icon = 0;
    const WPARAM kIcons[] = {ICON_BIG, ICON_SMALL};
    for (WPARAM which : kIcons) {
        SendMessageTimeoutA(dialog, WM_GETICON, which, 0, SMTO_NORMAL, kWaitMs, &icon);
        if (icon != 0) Fail("the dialog sets an icon of its own (WM_GETICON %u)", (unsigned)which);
    }
    DWORD_PTR default_id = 0;
    SendMessageTimeoutA(dialog, DM_GETDEFID, 0, 0, SMTO_NORMAL, kWaitMs, &default_id);
    if (default_id != MAKELONG(IDOK, DC_HASDEFID))
        Fail("default button 0x%08lx, not IDOK", static_cast<unsigned long>(default_id));

    int index = 0;
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT), ++index) {
        if (index < kControlCount) CheckLiveControl(driver, kControls[index], control);
    }
    if (index != kControlCount) Fail("%d controls, not %d", index, kControlCount);

    const int kStops = static_cast<int>(sizeof kTabOrder / sizeof kTabOrder[0]);
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (first != GetDlgItem(dialog, kTabOrder[0]))
        Fail("first tab stop is control %d, not %d", GetDlgCtrlID(first), kTabOrder[0]);
    for (int i = 0; i < kStops; ++i) {
        HWND from = GetDlgItem(dialog, kTabOrder[i]);
        HWND next = GetNextDlgTabItem(dialog, from, FALSE);
        HWND back = GetNextDlgTabItem(dialog, from, TRUE);
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

namespace {

// The name a screen reader reads for `window`: its client object's, as oleacc gives it to any
// process that asks from outside.
void ExpectAccessibleName(const char* what, HWND window, const char* expected_932) {
    static wchar_t expected[kTextSize];
    int expected_length =
        MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, expected_932, -1, expected, kTextSize) - 1;
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible,
                                          reinterpret_cast<void**>(&object)))) {
        Fail("%s: no accessible object", what);
        return;
    }
    VARIANT self = {};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    HRESULT result = object->get_accName(self, &name);
    object->Release();
    int length = name != nullptr ? static_cast<int>(SysStringLen(name)) : -1;
    if (result != S_OK || length != expected_length ||
        memcmp(name, expected, expected_length * sizeof(wchar_t)) != 0) {
        static char shown[kTextSize * 3];
        shown[0] = '\0';
        if (name != nullptr)
            WideCharToMultiByte(CP_UTF8, 0, name, -1, shown, sizeof shown, nullptr, nullptr);
        Fail("%s: accessible name \"%s\" (0x%08lx), not the expected one", what, shown,
             static_cast<unsigned long>(result));
    } else {
        Note("%s: accessible name as expected", what);
    }
    SysFreeString(name);
}

}  // namespace

void StepCheckNames(Driver& driver, char*) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) Fail("no COM");
    ExpectAccessibleName("dialog", driver.dialog, kDialogCaption);
    int index = 0;
    for (HWND control = GetWindow(driver.dialog, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT), ++index)
        if (index < kControlCount)
            ExpectAccessibleName(
                kControls[index].why, control,
                kControls[index].name != nullptr ? kControls[index].name : kControls[index].text);
    CoUninitialize();
}

namespace {

BOOL CALLBACK NoteIcon(HMODULE, LPCSTR, LPSTR, LONG_PTR found) {
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

}  // namespace

void StepCheckTemplate(Driver& driver, char*) {
    char path[MAX_PATH];
    DWORD path_size = sizeof path;
    if (!QueryFullProcessImageNameA(driver.process.hProcess, 0, path, &path_size)) {
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
    if (strcmp(text, kDialogCaption) != 0) Fail("template caption \"%s\"", Shown(text));
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
        // The template leaves the info box empty: the program sets its text as the dialog opens.
        const char* template_text = row.kind == ControlKind::kEdit ? "" : row.text;
        if (ordinal != -1 || strcmp(text, template_text) != 0)
            Fail("template control %d (%s): text \"%s\"", i, row.why, Shown(text));
    }
    if (!in.ok) Fail("the template ends early");
    FreeLibrary(module);
}

namespace {

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

}  // namespace

void StepCheckFocus(Driver& driver, char* args) {
    constexpr DWORD kFocusWaitMs = 5000;
    int id = atoi(args);
    HWND want = GetDlgItem(driver.dialog, id);
    HWND focus = nullptr;
    auto focused = [&] { return (focus = FocusOf(driver.dialog)) == want; };
    auto elsewhere = [&] {
        return Format("focus on %p (control %d), not on control %d", static_cast<void*>(focus),
                      focus ? GetDlgCtrlID(focus) : 0, id);
    };
    if (WaitUntil(focused, kFocusWaitMs, elsewhere) && want == nullptr) Fail("%s", elsewhere());
}

// As a reader meets the edit box ID: its caret at the first character, nothing selected, and
// the first line shown. Waits a little, for what the program posts to the box to run.
void StepCheckTop(Driver& driver, char* args) {
    constexpr DWORD kTopWaitMs = 5000;
    int id = atoi(args);
    HWND edit = GetDlgItem(driver.dialog, id);
    DWORD_PTR selection = 0, first_line = 0;
    auto at_top = [&] {
        // With no pointers EM_GETSEL answers in its result, so it works from another process.
        return edit != nullptr &&
               SendMessageTimeoutA(edit, EM_GETSEL, 0, 0, SMTO_NORMAL, kWaitMs, &selection) &&
               SendMessageTimeoutA(edit, EM_GETFIRSTVISIBLELINE, 0, 0, SMTO_NORMAL, kWaitMs,
                                   &first_line) &&
               selection == 0 && first_line == 0;
    };
    auto elsewhere = [&] {
        return Format("control %d: selection %u-%u, first line shown %u, not 0-0 and 0", id,
                      static_cast<unsigned>(LOWORD(selection)),
                      static_cast<unsigned>(HIWORD(selection)), static_cast<unsigned>(first_line));
    };
    WaitUntil(at_top, kTopWaitMs, elsewhere);
}

void StepCheckOwner(Driver& driver, char* args) {
    char* name;
    NextWord(args, &name);
    HWND want = strcmp(name, "none") == 0 ? nullptr : FindNamedWindow(driver, name, strlen(name));
    if (want == nullptr && strcmp(name, "none") != 0) {
        Fail("no window named %s", name);
        return;
    }
    HWND owner = GetWindow(driver.dialog, GW_OWNER);
    if (owner != want)
        Fail("owner %ld, not %ld (%s)", static_cast<long>(reinterpret_cast<INT_PTR>(owner)),
             static_cast<long>(reinterpret_cast<INT_PTR>(want)), name);
}

void StepCheckOwnerOrNone(Driver& driver, char* args) {
    char* name;
    NextWord(args, &name);
    HWND named = FindNamedWindow(driver, name, strlen(name));
    HWND owner = GetWindow(driver.dialog, GW_OWNER);
    if (named == nullptr || (owner != named && owner != nullptr))
        Fail("owner %ld, neither none nor %s", static_cast<long>(reinterpret_cast<INT_PTR>(owner)),
             name);
    else
        Note("owner %s", owner == nullptr ? "none" : name);
}

void StepCheckCentred(Driver& driver, char*) {
    int screen_width = GetSystemMetrics(SM_CXSCREEN);
    int screen_height = GetSystemMetrics(SM_CYSCREEN);
    RECT rect;
    GetWindowRect(driver.dialog, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    int x = (screen_width - width) / 2, y = (screen_height - height) / 2;
    if (rect.left != x || rect.top != y)
        Fail("dialog %dx%d at %ld,%ld on a %dx%d screen, not at %d,%d", width, height, rect.left,
             rect.top, screen_width, screen_height, x, y);
    else
        Note("dialog %dx%d centred at %d,%d on a %dx%d screen", width, height, x, y, screen_width,
             screen_height);
}

void StepCheckGlyphs(Driver& driver, char*) {
    HWND reference = ReferenceDialog(driver);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(reference, WM_GETFONT, 0, 0));
    HDC dc = GetDC(reference);
    HGDIOBJ old = SelectObject(dc, font);
    char face[LF_FACESIZE];
    GetTextFaceA(dc, sizeof face, face);
    Note("the dialog font is drawn with \"%s\"", Shown(face));
    const char* texts[kControlCount + 2] = {kDialogCaption};
    int text_count = 1;
    for (const ExpectedControl& row : kControls) texts[text_count++] = row.text;
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
                Fail("no glyph for U+%04X in \"%s\"", wide[c], Shown(texts[i]));
                break;
            }
    }
    SelectObject(dc, old);
    ReleaseDC(reference, dc);
}

namespace {

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

}  // namespace

void StepCheckUnicode(Driver& driver, char* args) {
    UINT want = strtoul(args, nullptr, 10);
    if (GetACP() != want) Fail("the system code page is %u, not %u", GetACP(), want);
    ExpectWideText("caption", driver.dialog, kDialogCaption);
    int index = 0;
    for (HWND control = GetWindow(driver.dialog, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT), ++index)
        if (index < kControlCount)
            ExpectWideText(kControls[index].why, control, kControls[index].text);
    if (index != kControlCount) Fail("%d controls, not %d", index, kControlCount);
    Note("code page %u: the caption and %d controls read as Unicode", GetACP(), index);
}

namespace {

// The program's own template, made into a hidden dialog in this process: a font handle is good
// only in the process that made it, so the texts are measured with the copy's fonts.
HWND TemplateCopy(const Driver& driver, HMODULE* module) {
    char path[MAX_PATH];
    DWORD path_size = sizeof path;
    *module = nullptr;
    if (!QueryFullProcessImageNameA(driver.process.hProcess, 0, path, &path_size)) return nullptr;
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

void CheckTextsFit(HWND dialog, HWND copy) {
    RECT real_client, copy_client;
    GetClientRect(dialog, &real_client);
    GetClientRect(copy, &copy_client);
    if (!EqualRect(&real_client, &copy_client))
        Fail("the template's copy is %ldx%ld, the dialog %ldx%ld: their fonts differ",
             copy_client.right, copy_client.bottom, real_client.right, real_client.bottom);
    HWND real = GetWindow(dialog, GW_CHILD), mine = GetWindow(copy, GW_CHILD);
    for (int index = 0; real != nullptr && mine != nullptr && index < kControlCount;
         real = GetWindow(real, GW_HWNDNEXT), mine = GetWindow(mine, GW_HWNDNEXT), ++index) {
        const ExpectedControl& row = kControls[index];
        RECT real_rect = RectIn(real, dialog), copy_rect = RectIn(mine, copy);
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

}  // namespace

void StepCheckFit(Driver& driver, char* args) {
    UINT want = strtoul(args, nullptr, 10);
    // As the program sees the screen: it declares itself DPI aware (Wine knows no V2).
    DPI_AWARENESS_CONTEXT old =
        SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    if (old == nullptr) old = SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    if (old == nullptr) Fail("cannot make the driver DPI aware");
    UINT dpi = GetDpiForWindow(driver.dialog);
    if (dpi != want) Fail("the dialog is at %u dpi, not %u", dpi, want);
    int screen_width = GetSystemMetrics(SM_CXSCREEN), screen_height = GetSystemMetrics(SM_CYSCREEN);
    RECT rect;
    GetWindowRect(driver.dialog, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    Note("at %u dpi the dialog is %dx%d at %ld,%ld on a %dx%d screen", dpi, width, height,
         rect.left, rect.top, screen_width, screen_height);
    if (rect.left != (screen_width - width) / 2 || rect.top != (screen_height - height) / 2)
        Fail("the dialog is not centred");
    if (rect.left < 0 || rect.top < 0 || rect.right > screen_width || rect.bottom > screen_height)
        Fail("the dialog is not wholly on the screen");
    HMODULE module;
    HWND copy = TemplateCopy(driver, &module);
    if (copy == nullptr) Fail("cannot make a copy of the program's template");
    if (copy != nullptr) CheckTextsFit(driver.dialog, copy);
    if (copy != nullptr) DestroyWindow(copy);
    if (module != nullptr) FreeLibrary(module);
    if (old != nullptr) SetThreadDpiAwarenessContext(old);
}

namespace {

void WriteRect(FILE* file, const char* what, int id, RECT rect) {
    fprintf(file, "%s %d %ld %ld %ld %ld\n", what, id, rect.left, rect.top, rect.right,
            rect.bottom);
}

}  // namespace

bool StepGeometry(Driver& driver, char* path) {
    FILE* file = fopen(path, "wb");
    if (file == nullptr) {
        Fail("cannot write %s", path);
        return false;
    }
    COLORREF face = GetSysColor(COLOR_3DFACE);
    fprintf(file, "screen 0 %d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    fprintf(file, "face 0 %d %d %d\n", GetRValue(face), GetGValue(face), GetBValue(face));
    RECT rect;
    GetWindowRect(driver.dialog, &rect);
    WriteRect(file, "dialog", 0, rect);
    GetClientRect(driver.dialog, &rect);
    MapWindowPoints(driver.dialog, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    WriteRect(file, "client", 0, rect);

    HWND reference = ReferenceDialog(driver);
    HDC dc = GetDC(reference);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(reference, WM_GETFONT, 0, 0)));
    int index = 0;
    for (HWND control = GetWindow(driver.dialog, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT), ++index) {
        GetWindowRect(control, &rect);
        WriteRect(file, "control", index, rect);
        GetClientRect(control, &rect);
        MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        WriteRect(file, "inner", index, rect);
        if (index < kControlCount) {
            SIZE extent = {};
            const char* text = kControls[index].text;
            GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &extent);
            fprintf(file, "text %d %ld %ld\n", index, extent.cx, extent.cy);
        }
    }
    SelectObject(dc, old);
    ReleaseDC(reference, dc);
    fclose(file);
    return true;
}

// As a closing installer does (Delphi's forms hide their owned pop-ups as they go), then the
// dialog must still be shown.
bool StepHidePopups(Driver& driver, char* args) {
    char* rest;
    HWND window = NamedWindowArg(driver, args, &rest);
    if (window == nullptr) return false;
    ShowOwnedPopups(window, FALSE);
    PumpFor(500);
    if (!IsWindowVisible(driver.dialog)) Fail("the dialog was hidden with its owner's pop-ups");
    return true;
}
