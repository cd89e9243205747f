// Composes the plans of the registration and readme buttons.
#include "launch/launch_plan.h"

#include <string.h>

#include "launch/wide_text.h"

namespace {

const char16_t kBrowserCaption[] = u"Webユーザー登録";
const char16_t kBrowserMessage[] =
    u"ブラウザーを起動できませんでした。\r\n"
    u"次のアドレスをブラウザーで開いてください（Ctrl+C "
    u"でこのメッセージをコピーできます）。\r\n\r\n";
// A copy that no vendor has stamped with a registration host yet: the vendor is to notice at once.
const char16_t kNoAddressMessage[] =
    u"このプログラムには、ユーザー登録のアドレスが設定されていません。\r\n"
    u"製品の提供元にお問い合わせください。";
// The desktop's shell took the launch and has not answered: it may still start it, and a second
// start would open it twice.
const char16_t kBrowserUnanswered[] =
    u"ブラウザーの起動に時間がかかっています。このあと開くかもしれません。\r\n"
    u"開かないときは、次のアドレスをブラウザーで開いてください（Ctrl+C "
    u"でこのメッセージをコピーできます）。\r\n\r\n";
// An earlier press's hand-over has not ended: it may still open, so this press starts nothing.
const char16_t kBrowserUnderWay[] =
    u"先ほどのブラウザーの起動が、まだ終わっていません。このあと開くかもしれません。\r\n"
    u"開かないときは、次のアドレスをブラウザーで開いてください（Ctrl+C "
    u"でこのメッセージをコピーできます）。\r\n\r\n";
const char16_t kReadmeCaption[] = u"READMEを読む";
const char16_t kReadmeMessage[] = u"READMEを開けませんでした。\r\n\r\n";
const char16_t kReadmeUnanswered[] =
    u"メモ帳の起動に時間がかかっています。このあと開くかもしれません。\r\n"
    u"開かないときは、次のファイルを開いてください。\r\n\r\n";
const char16_t kReadmeUnderWay[] =
    u"先ほどのメモ帳の起動が、まだ終わっていません。このあと開くかもしれません。\r\n"
    u"開かないときは、次のファイルを開いてください。\r\n\r\n";

LaunchStep* AddStep(LaunchPlan* plan, LaunchWay way) {
    LaunchStep* step = &plan->steps[plan->count++];
    *step = LaunchStep{};
    step->way = way;
    return step;
}

void AddProcess(LaunchPlan* plan, const char16_t* program, char16_t* command_line) {
    LaunchStep* step = AddStep(plan, LaunchWay::kProcess);
    step->program = program;
    step->command_line = command_line;
}

LaunchStep* AddShell(LaunchPlan* plan, LaunchWay way, const char16_t* target,
                     const char16_t* arguments, const char16_t* directory) {
    LaunchStep* step = AddStep(plan, way);
    step->target = target;
    step->arguments = arguments;
    step->directory = directory;
    return step;
}

// `intro` and then `subject` into `message`, which then stands under `caption` in `step`.
void ComposeMessage(LaunchStep* step, char16_t* message, size_t message_size, const char16_t* intro,
                    const char16_t* subject, const char16_t* caption) {
    WideText text = StartText(message, message_size);
    // Both sizes leave room for the introduction and the longest subject.
    AppendText(&text, intro);
    AppendText(&text, subject);
    step->message = message;
    step->caption = caption;
}

void AddMessage(LaunchPlan* plan, char16_t* message, size_t message_size, const char16_t* intro,
                const char16_t* subject, const char16_t* caption) {
    ComposeMessage(AddStep(plan, LaunchWay::kMessage), message, message_size, intro, subject,
                   caption);
}

void AddNotice(LaunchPlan* plan, char16_t* message, size_t message_size, const char16_t* intro,
               const char16_t* subject, const char16_t* caption) {
    AddMessage(plan, message, message_size, intro, subject, caption);
    plan->steps[plan->count - 1].under_way = true;
}

}  // namespace

NoDialog WhyNoDialog(const SessionFacts& session) {
    if (!session.station_visible) return NoDialog::kHiddenStation;
    if (session.session_id == 0) return NoDialog::kServiceSession;
    return NoDialog::kNone;
}

bool ShowsDialog(const SessionFacts& session) {
    return WhyNoDialog(session) == NoDialog::kNone;
}

bool MayStartWithOwnRights(const SessionFacts& session) {
    return !session.elevated ||
           (session.elevation_type == ElevationType::kDefault && session.shell_is_this_user);
}

const char* WebScheme(const char* address) {
    return strncmp(address, "https:", 6) == 0 ? "https" : "http";
}

void PlanBrowserLaunch(const char* address, const BrowserFacts& facts, const SessionFacts& session,
                       BrowserPlan* out) {
    out->plan.count = 0;
    if (address == nullptr) {
        AddMessage(&out->plan, out->message, kBrowserMessageSize, kNoAddressMessage, u"",
                   kBrowserCaption);
        return;
    }
    WideText widened = StartText(out->address, kAddressSize);
    AppendBytes(&widened, address);
    if (session.handover_under_way) {
        AddNotice(&out->plan, out->message, kBrowserMessageSize, kBrowserUnderWay, out->address,
                  kBrowserCaption);
        return;
    }
    if (session.elevated)
        ComposeMessage(AddShell(&out->plan, LaunchWay::kDesktopShell, out->address, nullptr,
                                facts.system_directory),
                       out->unanswered, kBrowserMessageSize, kBrowserUnanswered, out->address,
                       kBrowserCaption);
    if (MayStartWithOwnRights(session)) {
        bool has_command = ComposeBrowserCommand(facts.command_template, address, out->command,
                                                 kBrowserCommandSize);
        if (facts.has_web_default)
            AddShell(&out->plan, LaunchWay::kShell, out->address, nullptr, facts.system_directory);
        if (has_command) AddProcess(&out->plan, nullptr, out->command);
        if (!facts.has_web_default)
            AddShell(&out->plan, LaunchWay::kShell, out->address, nullptr, facts.system_directory);
    }
    AddMessage(&out->plan, out->message, kBrowserMessageSize, kBrowserMessage, out->address,
               kBrowserCaption);
}

void PlanReadmeLaunch(const ReadmeFacts& facts, const SessionFacts& session, ReadmePlan* out) {
    out->plan.count = 0;
    if (!ComposeReadmePath(facts.readme, facts.module_path, out->path, kWidePathSize)) {
        // Without the program's own path there is no file to name but the one it looks for.
        WideText name = StartText(out->path, kWidePathSize);
        AppendText(&name, kReadmeFileName);
        AddMessage(&out->plan, out->message, kReadmeMessageSize, kReadmeMessage, out->path,
                   kReadmeCaption);
        return;
    }
    if (session.handover_under_way) {
        AddNotice(&out->plan, out->message, kReadmeMessageSize, kReadmeUnderWay, out->path,
                  kReadmeCaption);
        return;
    }
    bool has_notepad = ComposeNotepadPath(facts.system_directory, out->notepad, kNotepadPathSize);
    if (session.elevated && has_notepad)
        ComposeMessage(AddShell(&out->plan, LaunchWay::kDesktopShell, out->notepad, out->path,
                                facts.system_directory),
                       out->unanswered, kReadmeMessageSize, kReadmeUnanswered, out->path,
                       kReadmeCaption);
    if (MayStartWithOwnRights(session)) {
        if (has_notepad && ComposeReadmeCommand(out->path, out->command, kProcessCommandLineSize))
            AddProcess(&out->plan, out->notepad, out->command);
        AddShell(&out->plan, LaunchWay::kShell, out->path, nullptr, nullptr);
    }
    AddMessage(&out->plan, out->message, kReadmeMessageSize, kReadmeMessage, out->path,
               kReadmeCaption);
}
