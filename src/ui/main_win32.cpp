// The program's entry: reads the platform's start-up facts and the options into the one context,
// shows the completion dialog and runs the message loop until the dialog is gone. On a window
// station nobody sees, and in session 0, it ends at once, before any window exists. The exit code
// is always 0.
#include <windows.h>

#include "options/command_tail.h"
#include "options/options.h"
#include "options/wide_options.h"
#include "ui/code_page_win32.h"
#include "ui/completion_dialog_win32.h"
#include "ui/dialog_placement.h"
#include "ui/system_dlls_win32.h"

static_assert(kStartfUseShowWindow == STARTF_USESHOWWINDOW,
              "kStartfUseShowWindow mirrors windows.h");
static_assert(kShowDefault == SW_SHOWDEFAULT, "kShowDefault mirrors windows.h");

namespace {

int StartupShowState() {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return ChooseShowState(startup.dwFlags, startup.wShowWindow);
}

// The command line twice: as ANSI bytes for the address's details, which the registration form
// reads in the system's code page, and as UTF-16 for paths and window names.
void ReadCommandLine(CompletionContext* context) {
    const char* tail = SkipProgramName(GetCommandLineA(), context->classes);
    ParseOptions(tail, context->classes, &context->options);
    const char16_t* wide_tail =
        SkipProgramName(reinterpret_cast<const char16_t*>(GetCommandLineW()));
    ParseWideOptions(wide_tail, context->options, &context->wide);
    LeaveOutDetailsNotInCodePage(DetailsTheCodePageCannotHold(GetACP(), context->wide),
                                 &context->options);
}

}  // namespace

// The runtime's own command-line tail and show state are not used: the tail must step over
// double-byte names the way the options do, and both are read from the platform here.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    LoadSystemDllsFromSystem32Only();
    CompletionContext context = {};
    context.session = ReadSessionFacts();
    if (!ShowsDialog(context.session)) return 0;
    context.instance = instance;
    SetUpCodePageClasses(GetACP(), &context.classes);
    ReadCommandLine(&context);

    HWND dialog = CreateCompletionDialog(&context, StartupShowState());
    if (dialog == nullptr) return 0;

    MSG message;
    // Unicode throughout, so that the dialog's texts survive any system code page. Once the
    // dialog is destroyed IsDialogMessageW takes nothing, and its quit message ends the loop.
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // Ended here, with the context alive, rather than by a return: a hand-over to the desktop's
    // shell that still hangs has its thread in the context, and ExitProcess ends that thread
    // before this frame could be gone. 0 whoever posted the quit.
    ExitProcess(0);
}

// The process's entry, in place of the C runtime's start-up: the program has no static
// constructors, takes no arguments from the runtime and registers nothing to run at exit, so it
// needs none of it, and starts without the runtime's heap, arguments and locale set up for it.
extern "C" void WinMainCRTStartup() {
    ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleW(nullptr), nullptr, nullptr, 0)));
}
