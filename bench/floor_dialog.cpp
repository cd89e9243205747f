// The floor for the program's start-up: the program's own completion dialog, from the program's own
// resources (template, manifest, icon, version), shown the way the program shows it and nothing
// else: no options, no owner, no code page set-up. Whatever the program adds before its dialog is
// visible is the difference between the two start-ups.
#include <windows.h>

#include "resource_ids.h"
#include "ui/dialog_placement.h"
#include "ui/info_text.h"

namespace {

INT_PTR WhiteBackground(HDC context) {
    SetBkColor(context, RGB(0xFF, 0xFF, 0xFF));
    return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
}

INT_PTR CALLBACK FloorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            wchar_t text[kInfoTextSize];  // one UTF-16 unit per Shift_JIS byte at most
            if (MultiByteToWideChar(932, 0, kRegistInfoText, -1, text, kInfoTextSize) > 0)
                SetDlgItemTextW(dialog, IDC_INFO, text);
            return TRUE;
        }
        case WM_CLOSE: DestroyWindow(dialog); return TRUE;
        case WM_DESTROY: PostQuitMessage(0); return FALSE;
        case WM_CTLCOLORSTATIC:
            if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_INFO) return FALSE;
            return WhiteBackground(reinterpret_cast<HDC>(wParam));
        case WM_CTLCOLOREDIT: return WhiteBackground(reinterpret_cast<HDC>(wParam));
        default: return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    HWND dialog = CreateDialogParamW(instance, L"REGISTER_START", nullptr, FloorDialogProc, 0);
    if (dialog == nullptr) return 0;
    ShowWindow(dialog, show);
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    MoveWindow(dialog, CentredOrigin(GetSystemMetrics(SM_CXSCREEN), width),
               CentredOrigin(GetSystemMetrics(SM_CYSCREEN), height), width, height, TRUE);
    UpdateWindow(dialog);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
