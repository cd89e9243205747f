// The program's entry: reads the platform's start-up facts, the options, shows the completion
// dialog and runs the message loop until the dialog is gone. The exit code is always 0.
#include <windows.h>

#include "codepage/char_class.h"
#include "options/options.h"
#include "ui/command_tail.h"
#include "ui/completion_dialog.h"
#include "ui/dialog_placement.h"
#include "ui/system_dlls.h"

namespace {

void SetUpSystemCharClass() {
    UINT code_page = GetACP();
    CPINFO info;
    const unsigned char* lead_bytes = nullptr;
    if (GetCPInfo(code_page, &info) && info.MaxCharSize >= 2) lead_bytes = info.LeadByte;
    SetUpCharClass(&g_classes, code_page, lead_bytes);
}

int StartupShowState() {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return ChooseShowState(startup.dwFlags, startup.wShowWindow);
}

}  // namespace

// The runtime's own command-line tail and show state are not used: the tail must step over
// double-byte names the way the options do, and both are read from the platform here.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    LoadSystemDllsFromSystem32Only();
    SetUpSystemCharClass();
    const char* tail = SkipProgramName(GetCommandLineA(), g_classes);
    ParseOptions(tail, g_classes, &g_options);

    g_current_dialog = CreateCompletionDialog(instance, StartupShowState());
    if (g_current_dialog == nullptr) return 0;

    MSG message;
    // Unicode throughout, so that the dialog's texts survive any system code page.
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (g_current_dialog != nullptr && IsDialogMessageW(g_current_dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;  // what the dialog's quit message carries; 0 whoever posted the quit
}
