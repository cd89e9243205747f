// The completion dialog's creation and its procedure. What the buttons do lives in the request and
// launch code; here each message only hands over to it.
#include "ui/completion_dialog.h"

#include <stdint.h>

#include "launch/launch.h"
#include "request/registration_url.h"
#include "resource_ids.h"
#include "ui/dialog_placement.h"
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

// White behind the characters (the device context) and around them (the brush).
INT_PTR WhiteBackground(HDC context) {
    SetBkColor(context, RGB(0xFF, 0xFF, 0xFF));
    return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
}

}  // namespace

HWND CreateCompletionDialog(HINSTANCE instance, int show) {
    g_instance = instance;
    HWND dialog =
        CreateDialogParamA(instance, "REGISTER_START", ChooseOwner(), CompletionDialogProc, 0);
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
            SetDlgItemTextA(dialog, IDC_INFO, REGIST_INFO_TEXT);
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

        // A read-only edit box asks with WM_CTLCOLORSTATIC, like the labels; only it turns white.
        case WM_CTLCOLORSTATIC:
            if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_INFO) return FALSE;
            return WhiteBackground(reinterpret_cast<HDC>(wParam));

        case WM_CTLCOLOREDIT: return WhiteBackground(reinterpret_cast<HDC>(wParam));
    }
    return FALSE;
}
