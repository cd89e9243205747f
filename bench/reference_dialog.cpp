// The practical limit for start-up: a program that shows an empty dialog of the same size from a
// resource and nothing else, built with the same flags as regcomplete.exe.
#include <windows.h>

namespace {

INT_PTR CALLBACK ReferenceDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: return TRUE;
        case WM_CLOSE: DestroyWindow(dialog); return TRUE;
        case WM_DESTROY: PostQuitMessage(0); return FALSE;
        default: return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    HWND dialog = CreateDialogParamA(instance, "REFERENCE", nullptr, ReferenceDialogProc, 0);
    if (dialog == nullptr) return 0;
    ShowWindow(dialog, show);
    UpdateWindow(dialog);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
