// The desktop's shell as its own automation model reaches it: the shell windows' desktop entry,
// its top-level browser, the desktop's folder view, and that view's Shell.Application, whose
// ShellExecute runs inside Explorer.
#include "launch/desktop_shell_win32.h"

#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>

#include "launch/system_library_win32.h"

namespace {

// The top-level browser service; shlguid.h only declares it for a library this program does not
// link.
const GUID kTopLevelBrowserService = {
    0x4c96be40, 0x915c, 0x11cf, {0x99, 0xd3, 0x00, 0xaa, 0x00, 0x4a, 0xe8, 0x37}};

// At logon the desktop may not be ready yet: PowerToys waits the same.
constexpr int kTries = 5;
constexpr DWORD kPauseBetweenTriesMs = 200;
// COM waits for an out-of-process call without any limit of its own, so the dialog sets one.
// Windows calls a window hung, and ghosts it as "not responding", when its thread has not looked
// at its queue for 5 seconds; the wait looks only when woken to paint, and the press began a
// little before it with loading COM. Under 5 s, so that the dialog is never ghosted; ample for a
// shell that answers (80 to 190 ms each try under Wine, five tries and their pauses about 2 s).
constexpr DWORD kHandOverLimitMs = 4000;

enum class HandOverResult { kStarted, kNothingStarted, kNoShell };

template <typename Interface>
void Release(Interface*& object) {
    if (object != nullptr) object->Release();
    object = nullptr;
}

VARIANT StringVariant(BSTR text) {
    VARIANT variant = {};
    if (text != nullptr) {
        variant.vt = VT_BSTR;
        variant.bstrVal = text;
    }
    return variant;
}

VARIANT NumberVariant(LONG number) {
    VARIANT variant = {};
    variant.vt = VT_I4;
    variant.lVal = number;
    return variant;
}

// The desktop view's Shell.Application, or null when the shell does not answer.
IShellDispatch2* FindDesktopShellDispatch(const ComLibrary& com) {
    IShellWindows* windows = nullptr;
    IDispatch* desktop = nullptr;
    IServiceProvider* services = nullptr;
    IShellBrowser* browser = nullptr;
    IShellView* view = nullptr;
    IDispatch* background = nullptr;
    IShellFolderViewDual* folder_view = nullptr;
    IDispatch* application = nullptr;
    IShellDispatch2* shell = nullptr;
    VARIANT location = NumberVariant(CSIDL_DESKTOP);
    VARIANT root = {};
    LONG window = 0;
    // S_FALSE from FindWindowSW means no desktop was found.
    if (com.create_instance(__uuidof(ShellWindows), nullptr, CLSCTX_LOCAL_SERVER,
                            __uuidof(IShellWindows), reinterpret_cast<void**>(&windows)) == S_OK &&
        windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              &desktop) == S_OK &&
        desktop != nullptr &&
        desktop->QueryInterface(__uuidof(IServiceProvider), reinterpret_cast<void**>(&services)) ==
            S_OK &&
        services->QueryService(kTopLevelBrowserService, __uuidof(IShellBrowser),
                               reinterpret_cast<void**>(&browser)) == S_OK &&
        browser->QueryActiveShellView(&view) == S_OK &&
        view->GetItemObject(SVGIO_BACKGROUND, __uuidof(IDispatch),
                            reinterpret_cast<void**>(&background)) == S_OK &&
        background->QueryInterface(__uuidof(IShellFolderViewDual),
                                   reinterpret_cast<void**>(&folder_view)) == S_OK &&
        folder_view->get_Application(&application) == S_OK && application != nullptr)
        application->QueryInterface(__uuidof(IShellDispatch2), reinterpret_cast<void**>(&shell));
    Release(application);
    Release(folder_view);
    Release(background);
    Release(view);
    Release(browser);
    Release(services);
    Release(desktop);
    Release(windows);
    return shell;
}

HandOverResult HandOverOnce(const DesktopHandOver& handover, BSTR open) {
    const ComLibrary& com = *handover.com;
    IShellDispatch2* shell = FindDesktopShellDispatch(com);
    if (shell == nullptr) return HandOverResult::kNoShell;
    // So that the browser may come to the front; refused where this process may not pass it on,
    // which changes nothing else.
    com.allow_set_foreground(shell, nullptr);
    // An empty show value would start the program hidden. S_FALSE: nothing was started.
    HRESULT result = shell->ShellExecute(handover.target, StringVariant(handover.arguments),
                                         StringVariant(handover.directory), StringVariant(open),
                                         NumberVariant(SW_SHOWNORMAL));
    shell->Release();
    return result == S_OK ? HandOverResult::kStarted : HandOverResult::kNothingStarted;
}

DWORD WINAPI HandOverThread(void* parameter) {
    DesktopHandOver* handover = static_cast<DesktopHandOver*>(parameter);
    const ComLibrary& com = *handover->com;
    HandOverResult result = HandOverResult::kNoShell;
    BSTR open = com.allocate_string(L"open");
    if (open != nullptr && SUCCEEDED(com.initialize(nullptr, COINIT_APARTMENTTHREADED))) {
        for (int i = 0; i < kTries && result == HandOverResult::kNoShell; ++i) {
            if (i > 0) Sleep(kPauseBetweenTriesMs);
            result = HandOverOnce(*handover, open);
        }
        com.uninitialize();
    }
    com.free_string(open);
    com.free_string(handover->target);
    com.free_string(handover->arguments);
    com.free_string(handover->directory);
    handover->started = result == HandOverResult::kStarted;
    return 0;
}

template <typename Function>
void Find(HMODULE library, const char* name, Function* function) {
    // Through void*, as GetProcAddress's untyped result must be.
    *function =
        library == nullptr
            ? nullptr
            : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

bool LoadCom(ComLibrary* com) {
    if (!com->tried) {
        com->tried = true;
        HMODULE ole32 = LoadSystemLibrary(u"ole32.dll");
        HMODULE oleaut32 = LoadSystemLibrary(u"oleaut32.dll");
        Find(ole32, "CoInitializeEx", &com->initialize);
        Find(ole32, "CoUninitialize", &com->uninitialize);
        Find(ole32, "CoCreateInstance", &com->create_instance);
        Find(ole32, "CoAllowSetForegroundWindow", &com->allow_set_foreground);
        Find(oleaut32, "SysAllocString", &com->allocate_string);
        Find(oleaut32, "SysFreeString", &com->free_string);
    }
    return com->initialize != nullptr && com->uninitialize != nullptr &&
           com->create_instance != nullptr && com->allow_set_foreground != nullptr &&
           com->allocate_string != nullptr && com->free_string != nullptr;
}

// Waits for `thread` at most `limit_ms`, painting the dialog meanwhile and answering messages
// sent to it; input waits in the queue until the press is over. False when the time ran out.
bool WaitWhilePainting(HANDLE thread, DWORD limit_ms) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD waited = GetTickCount() - start;
        if (waited >= limit_ms) return false;
        DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, limit_ms - waited,
                                                QS_PAINT | QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT))
            DispatchMessageW(&message);
    }
}

}  // namespace

bool HandOverUnderWay(DesktopShell* shell) {
    if (shell->thread == nullptr) return false;
    if (WaitForSingleObject(shell->thread, 0) != WAIT_OBJECT_0) return true;
    CloseHandle(shell->thread);
    shell->thread = nullptr;
    return false;
}

HandOver OpenWithDesktopShell(ComLibrary* com, DesktopShell* shell, const LaunchStep& step) {
    if (!LoadCom(com)) return HandOver::kNotStarted;
    if (HandOverUnderWay(shell)) return HandOver::kNotAnswered;
    DesktopHandOver* handover = &shell->handover;
    *handover =
        DesktopHandOver{com, com->allocate_string(AsWide(step.target)), nullptr, nullptr, false};
    if (step.arguments != nullptr)
        handover->arguments = com->allocate_string(AsWide(step.arguments));
    if (step.directory != nullptr)
        handover->directory = com->allocate_string(AsWide(step.directory));
    bool whole = handover->target != nullptr &&
                 (step.arguments == nullptr || handover->arguments != nullptr) &&
                 (step.directory == nullptr || handover->directory != nullptr);
    if (whole) shell->thread = CreateThread(nullptr, 0, HandOverThread, handover, 0, nullptr);
    if (shell->thread == nullptr) {
        com->free_string(handover->target);
        com->free_string(handover->arguments);
        com->free_string(handover->directory);
        return HandOver::kNotStarted;
    }
    if (!WaitWhilePainting(shell->thread, kHandOverLimitMs)) return HandOver::kNotAnswered;
    CloseHandle(shell->thread);
    shell->thread = nullptr;
    return handover->started ? HandOver::kStarted : HandOver::kNotStarted;
}
