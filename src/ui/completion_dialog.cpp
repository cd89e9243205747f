// The completion dialog's creation and its procedure. What the buttons do lives in the request and
// launch code; here each message only hands over to it.
#include "ui/completion_dialog.h"

#include <stdint.h>

#include "launch/launch.h"
#include "request/registration_url.h"
#include "resource_ids.h"
#include "ui/dialog_placement.h"
#include "ui/info_colours.h"
#include "ui/info_text.h"

CharClass g_classes;
RegistrationOptions g_options;
HINSTANCE g_instance;
HWND g_current_dialog;

namespace {

HWND ChooseOwner() {
    // Window handles are 32-bit values, sign-extended where pointers are wider.
    HWND given = reinterpret_cast<HWND>(static_cast<intptr_t>(g_options.owner_window));
    bool alive = g_options.owner_window != 0 && IsWindow(given);
    switch (ChooseOwnerSource(g_options, alive)) {
        case OwnerSource::kWindow: return given;
        case OwnerSource::kFindWindow:
            return FindWindowA(g_options.owner_class, g_options.owner_title);
        case OwnerSource::kNone: break;
    }
    return nullptr;
}

void OpenRegistration(const char* base) {
    char address[kAddressSize];
    BuildRegistrationUrl(base, g_options, g_classes, address, sizeof address);
    OpenUrlInBrowser(address);
}

void CloseDialog(HWND dialog) {
    DestroyWindow(dialog);
    g_current_dialog = nullptr;
}

// The text is Shift_JIS whatever the system's code page; set as Unicode it reads right on every
// system, where the ANSI call would show it in the system's code page.
void ShowInfoText(HWND dialog) {
    wchar_t text[kInfoTextSize];  // no byte becomes more than one UTF-16 unit
    if (MultiByteToWideChar(932, 0, REGIST_INFO_TEXT, -1, text, kInfoTextSize) > 0)
        SetDlgItemTextW(dialog, IDC_INFO, text);
}

// Read on every request: the user may switch high contrast on while the dialog is open.
unsigned long HighContrastFlags() {
    HIGHCONTRASTA high_contrast = {};
    high_contrast.cbSize = sizeof high_contrast;
    if (!SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof high_contrast, &high_contrast, 0))
        return 0;
    return high_contrast.dwFlags;
}

// White behind the characters (the device context) and around them (the brush), or FALSE to
// leave the control the system's colours.
INT_PTR AnswerColours(ColourRequest request, HDC context, HWND control) {
    bool info = GetDlgCtrlID(control) == IDC_INFO;
    if (!TakesWhiteBackground(request, info, HighContrastFlags())) return FALSE;
    SetBkColor(context, RGB(0xFF, 0xFF, 0xFF));
    return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
}

}  // namespace

HWND CreateCompletionDialog(HINSTANCE instance, int show) {
    g_instance = instance;
    HWND dialog =
        CreateDialogParamW(instance, L"REGISTER_START", ChooseOwner(), CompletionDialogProc, 0);
    if (dialog == nullptr) return nullptr;

    // Shown first, then moved: the size is the one the shown window has.
    ShowWindow(dialog, show);
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    MoveWindow(dialog, CentredOrigin(GetSystemMetrics(SM_CXSCREEN), width),
               CentredOrigin(GetSystemMetrics(SM_CYSCREEN), height), width, height, TRUE);
    UpdateWindow(dialog);
    return dialog;
}

INT_PTR CALLBACK CompletionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            ShowInfoText(dialog);
            return TRUE;  // the focus goes to the first tab stop, the SSL button

        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_REGIST_SSL: OpenRegistration(REGIST_URL_SSL); return TRUE;
                case IDC_REGIST_PLAIN: OpenRegistration(REGIST_URL_PLAIN); return TRUE;
                case IDC_README: OpenReadme(g_options, g_classes); return TRUE;
                case IDOK:
                case IDCANCEL: CloseDialog(dialog); return TRUE;
            }
            return FALSE;

        case WM_CLOSE: CloseDialog(dialog); return TRUE;

        case WM_DESTROY: PostQuitMessage(0); return FALSE;

        // A read-only edit box asks with WM_CTLCOLORSTATIC, like the labels.
        case WM_CTLCOLORSTATIC:
            return AnswerColours(ColourRequest::kStatic, reinterpret_cast<HDC>(wParam),
                                 reinterpret_cast<HWND>(lParam));

        case WM_CTLCOLOREDIT:
            return AnswerColours(ColourRequest::kEdit, reinterpret_cast<HDC>(wParam),
                                 reinterpret_cast<HWND>(lParam));
    }
    return FALSE;
}
