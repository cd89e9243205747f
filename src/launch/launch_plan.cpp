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
const char16_t kReadmeCaption[] = u"READMEを読む";
const char16_t kReadmeMessage[] = u"READMEを開けませんでした。\r\n\r\n";

void AddStep(LaunchPlan* plan, LaunchWay way, const char16_t* program, char16_t* text,
             const char16_t* directory, const char16_t* caption) {
    plan->steps[plan->count++] = LaunchStep{way, program, text, directory, caption};
}

void AddMessage(LaunchPlan* plan, char16_t* message, size_t message_size, const char16_t* intro,
                const char16_t* subject, const char16_t* caption) {
    WideText text = StartText(message, message_size);
    // Both sizes leave room for the introduction and the longest subject.
    AppendText(&text, intro);
    AppendText(&text, subject);
    AddStep(plan, LaunchWay::kMessage, nullptr, message, nullptr, caption);
}

}  // namespace

const char* WebScheme(const char* address) {
    return strncmp(address, "https:", 6) == 0 ? "https" : "http";
}

void PlanBrowserLaunch(const char* address, const BrowserFacts& facts, BrowserPlan* out) {
    out->plan.count = 0;
    WideText widened = StartText(out->address, kAddressSize);
    AppendBytes(&widened, address);
    bool has_command =
        ComposeBrowserCommand(facts.command_template, address, out->command, kBrowserCommandSize);
    if (facts.has_web_default)
        AddStep(&out->plan, LaunchWay::kShell, nullptr, out->address, facts.system_directory,
                nullptr);
    if (has_command)
        AddStep(&out->plan, LaunchWay::kProcess, nullptr, out->command, nullptr, nullptr);
    if (!facts.has_web_default)
        AddStep(&out->plan, LaunchWay::kShell, nullptr, out->address, facts.system_directory,
                nullptr);
    AddMessage(&out->plan, out->message, kBrowserMessageSize, kBrowserMessage, out->address,
               kBrowserCaption);
}

void PlanReadmeLaunch(const ReadmeFacts& facts, ReadmePlan* out) {
    out->plan.count = 0;
    if (!ComposeReadmePath(facts.readme, facts.module_path, out->path, kWidePathSize)) {
        // Without the program's own path there is no file to name but the one it looks for.
        WideText name = StartText(out->path, kWidePathSize);
        AppendText(&name, u"readme.txt");
        AddMessage(&out->plan, out->message, kReadmeMessageSize, kReadmeMessage, out->path,
                   kReadmeCaption);
        return;
    }
    if (ComposeNotepadPath(facts.system_directory, out->notepad, kNotepadPathSize) &&
        ComposeReadmeCommand(out->path, out->command, kProcessCommandLineSize))
        AddStep(&out->plan, LaunchWay::kProcess, out->notepad, out->command, nullptr, nullptr);
    AddStep(&out->plan, LaunchWay::kShell, nullptr, out->path, nullptr, nullptr);
    AddMessage(&out->plan, out->message, kReadmeMessageSize, kReadmeMessage, out->path,
               kReadmeCaption);
}
