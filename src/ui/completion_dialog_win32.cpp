// The completion dialog's creation and its procedure. What the buttons do lives in the request and
// launch code; here each message only hands over to it.
#include "ui/completion_dialog_win32.h"

#include <stdint.h>

#include "launch/launch_win32.h"
#include "request/registration_host.h"
#include "request/registration_url.h"
#include "resource_ids.h"
#include "ui/dialog_placement.h"
#include "ui/info_colours.h"
#include "ui/info_text.h"

static_assert(kHighContrastOn == HCF_HIGHCONTRASTON, "kHighContrastOn mirrors windows.h");

namespace {

HWND ChooseOwner(const CompletionContext& context) {
    const RegistrationOptions& options = context.options;
    // Window handles are 32-bit values, sign-extended where pointers are wider.
    HWND given = reinterpret_cast<HWND>(static_cast<intptr_t>(options.owner_window));
    bool alive = options.owner_window != 0 && IsWindow(given);
    switch (ChooseOwnerSource(options, alive)) {
        case OwnerSource::kWindow: return given;
        // The UTF-16 reading: a title the ANSI code page cannot spell would not match as '?'s.
        case OwnerSource::kFindWindow:
            return FindWindowW(AsWide(context.wide.owner_class), AsWide(context.wide.owner_title));
        case OwnerSource::kNone: break;
    }
    return nullptr;
}

CompletionContext* ContextOf(HWND dialog) {
    return reinterpret_cast<CompletionContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// Who runs the desktop's shell matters only to an elevated process, and may change while the
// dialog is open: read at each press, as is whether the button's earlier hand-over (`desktop`)
// is still under way.
SessionFacts SessionAtThePress(const CompletionContext& context, DesktopShell* desktop) {
    SessionFacts session = context.session;
    if (session.elevated) session.shell_is_this_user = ShellIsThisUser();
    session.handover_under_way = HandOverUnderWay(desktop);
    return session;
}

// The host is read from its slot here, at the press: a release no vendor has stamped has none,
// and its plan is the message that says so.
void OpenRegistration(HWND dialog, RegistrationScheme scheme) {
    CompletionContext* context = ContextOf(dialog);
    char base[kAddressSize];
    char address[kAddressSize];
    const char* built = nullptr;
    if (ComposeRegistrationBase(scheme, RegistrationHost(), base, sizeof base) != nullptr)
        built =
            BuildRegistrationUrl(base, context->options, context->classes, address, sizeof address);
    BrowserFactBuffers buffers;
    const char16_t* file_type = nullptr;
    BrowserFacts facts = {};
    if (built != nullptr) facts = ReadBrowserFacts(WebScheme(address), &buffers, &file_type);
    BrowserPlan plan;
    DesktopShell* desktop = &context->shell.registration;
    PlanBrowserLaunch(built, facts, SessionAtThePress(*context, desktop), &plan);
    CarryOutPlan(plan.plan, dialog, &context->shell, desktop);
}

void OpenReadme(HWND dialog) {
    CompletionContext* context = ContextOf(dialog);
    char16_t module_path[kWidePathSize];
    char16_t system_directory[kSystemDirectorySize];
    ReadmeFacts facts = {};
    facts.readme = context->wide.readme;
    if (ReadModulePath(module_path, kWidePathSize)) facts.module_path = module_path;
    if (ReadSystemDirectory(system_directory, kSystemDirectorySize))
        facts.system_directory = system_directory;
    ReadmePlan plan;
    DesktopShell* desktop = &context->shell.readme;
    PlanReadmeLaunch(facts, SessionAtThePress(*context, desktop), &plan);
    CarryOutPlan(plan.plan, dialog, &context->shell, desktop);
}

// The text is Shift_JIS whatever the system's code page; set as Unicode it reads right on every
// system, where the ANSI call would show it in the system's code page.
void ShowInfoText(HWND dialog) {
    wchar_t text[kInfoTextSize];  // no byte becomes more than one UTF-16 unit
    if (MultiByteToWideChar(932, 0, kRegistInfoText, -1, text, kInfoTextSize) > 0)
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
INT_PTR OnCtlColor(ColourRequest request, HDC context, HWND control) {
    bool info = GetDlgCtrlID(control) == IDC_INFO;
    if (!TakesWhiteBackground(request, info, HighContrastFlags())) return FALSE;
    SetBkColor(context, RGB(0xFF, 0xFF, 0xFF));
    return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
}

// Keeps the context for the commands; the focus goes to the first tab stop, the SSL button.
INT_PTR OnInitDialog(HWND dialog, LPARAM context) {
    SetWindowLongPtrW(dialog, DWLP_USER, context);
    ShowInfoText(dialog);
    return TRUE;
}

INT_PTR CALLBACK CompletionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: return OnInitDialog(dialog, lParam);

        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_REGIST_SSL:
                    OpenRegistration(dialog, RegistrationScheme::kSsl);
                    return TRUE;
                case IDC_REGIST_PLAIN:
                    OpenRegistration(dialog, RegistrationScheme::kPlain);
                    return TRUE;
                case IDC_README: OpenReadme(dialog); return TRUE;
                case IDC_INFO:
                    // Tab selects the whole of an edit box it reaches, with the caret at the end;
                    // the explanation is read from its top, as Page Down scrolls it.
                    if (HIWORD(wParam) == EN_SETFOCUS)
                        PostMessageW(reinterpret_cast<HWND>(lParam), EM_SETSEL, 0, 0);
                    return TRUE;
                case IDOK:
                case IDCANCEL: DestroyWindow(dialog); return TRUE;
            }
            return FALSE;

        case WM_CLOSE: DestroyWindow(dialog); return TRUE;

        // The owner is hiding or closing: an installer's wizard does as it ends, right after it
        // starts this program. Handled here, so that the dialog stays shown without it.
        case WM_SHOWWINDOW: return lParam == SW_PARENTCLOSING;

        case WM_DESTROY: PostQuitMessage(0); return FALSE;

        // A read-only edit box asks with WM_CTLCOLORSTATIC, like the labels.
        case WM_CTLCOLORSTATIC:
            return OnCtlColor(ColourRequest::kStatic, reinterpret_cast<HDC>(wParam),
                              reinterpret_cast<HWND>(lParam));

        case WM_CTLCOLOREDIT:
            return OnCtlColor(ColourRequest::kEdit, reinterpret_cast<HDC>(wParam),
                              reinterpret_cast<HWND>(lParam));
    }
    return FALSE;
}

}  // namespace

HWND CreateCompletionDialog(CompletionContext* context, int show) {
    HWND dialog = CreateDialogParamW(context->instance, L"REGISTER_START", ChooseOwner(*context),
                                     CompletionDialogProc, reinterpret_cast<LPARAM>(context));
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
