#include "launch/launch_commands.h"
#include "launch/launch_plan.h"

#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const char kUrl[] = "https://regist.example.com/entry/regist.php?productid=abc";

// Fills a buffer of `out_size` units followed by guard units, and checks afterwards that the
// guard is untouched and that the buffer is zero-terminated.
struct GuardedBuffer {
    static constexpr size_t kGuardSize = 16;
    char16_t bytes[kWidePathSize + kGuardSize];
    size_t size;

    explicit GuardedBuffer(size_t out_size) : size(out_size) {
        for (char16_t& unit : bytes) unit = u'X';
    }
    bool Intact() const {
        for (size_t i = size; i < size + kGuardSize; ++i)
            if (bytes[i] != u'X') return false;
        for (size_t i = 0; i < size; ++i)
            if (bytes[i] == 0) return true;
        return size == 0;
    }
    std::string Text() const { return Utf8(bytes); }
};

// A table's UTF-8 text as the UTF-16 the functions take; null stays null.
struct Wide {
    std::u16string text;
    bool null;
    explicit Wide(const char* utf8) : text(U16(utf8)), null(utf8 == nullptr) {}
    const char16_t* get() const { return null ? nullptr : text.c_str(); }
};

struct BrowserCase {
    const char* why;
    const char* command_template;
    const char* url;
    const char* command;  // null: nothing is started
};

const BrowserCase kBrowserCases[] = {
    {"quoted placeholder: its blank and the appended one stand in a row",
     "\"C:\\Program Files\\Web\\browser.exe\" \"%1\"", kUrl,
     "\"C:\\Program Files\\Web\\browser.exe\"  https://regist.example.com/entry/"
     "regist.php?productid=abc"},
    {"no placeholder: the address follows the whole template",
     "\"C:\\Program Files\\Web\\browser.exe\" -nohome", "http://h/p",
     "\"C:\\Program Files\\Web\\browser.exe\" -nohome http://h/p"},
    {"bare placeholder loses the arguments after it", "C:\\web\\browser.exe %1 -new-window -x",
     "http://h/p", "C:\\web\\browser.exe  http://h/p"},
    {"arguments before the quoted placeholder stay, those after go",
     "\"C:\\web\\browser.exe\" -a -b \"%1\" -c -d", "http://h/p",
     "\"C:\\web\\browser.exe\" -a -b  http://h/p"},
    {"the quoted placeholder wins over an earlier bare one", "C:\\b.exe -p%1 \"%1\" -q",
     "http://h/p", "C:\\b.exe -p%1  http://h/p"},
    {"quoted placeholder right after the path", "C:\\b.exe\"%1\"", "http://h/p",
     "C:\\b.exe http://h/p"},
    {"an unclosed quoted placeholder is cut at %1 and keeps its quote", "\"C:\\b.exe\" \"%1",
     "http://h/p", "\"C:\\b.exe\" \" http://h/p"},
    {"%10 starts with %1", "C:\\b.exe %10", "http://h/p", "C:\\b.exe  http://h/p"},
    {"a lone percent is no placeholder", "C:\\b.exe 100% -1", "http://h/p",
     "C:\\b.exe 100% -1 http://h/p"},
    {"only the first bare placeholder counts", "C:\\b.exe %1 %1", "http://h/p",
     "C:\\b.exe  http://h/p"},
    {"a path no ANSI code page spells whole is kept unit for unit",
     "\"C:\\Users\\Zoë\\山田\\browser.exe\" \"%1\"", "http://h/p",
     "\"C:\\Users\\Zoë\\山田\\browser.exe\"  http://h/p"},
    {"an address with blanks goes unquoted", "b.exe \"%1\"", "http://h/p?username=Taro Yamada",
     "b.exe  http://h/p?username=Taro Yamada"},
    {"an empty address still gets its blank", "b.exe \"%1\"", "", "b.exe  "},
    {"empty template starts nothing", "", "http://h/p", nullptr},
    {"template that is only the quoted placeholder starts nothing", "\"%1\" -x", "http://h/p",
     nullptr},
    {"template that starts with a bare placeholder starts nothing", "%1", "http://h/p", nullptr},
    {"no template starts nothing", nullptr, "http://h/p", nullptr},
    {"no address starts nothing", "b.exe \"%1\"", nullptr, nullptr},
};

TEST(ComposeBrowserCommandTest, CommandLines) {
    for (const BrowserCase& c : kBrowserCases) {
        GuardedBuffer out(kBrowserCommandSize);
        bool composed =
            ComposeBrowserCommand(Wide(c.command_template).get(), c.url, out.bytes, out.size);
        EXPECT_EQ(c.command != nullptr, composed) << c.why;
        EXPECT_EQ(c.command != nullptr ? c.command : "", out.Text()) << c.why;
        EXPECT_TRUE(out.Intact()) << c.why;
    }
}

TEST(ComposeBrowserCommandTest, LongestTemplateAndAddressFitWhole) {
    // The longest template an expanded registry value gives.
    std::string command_template(kCommandTemplateSize - 1, 'T');
    std::string url = "http://" + std::string(kAddressSize - 1 - 7, 'u');
    std::string expected = command_template + " " + url;
    ASSERT_EQ(kBrowserCommandSize - 1, expected.size());

    GuardedBuffer out(kBrowserCommandSize);
    EXPECT_TRUE(ComposeBrowserCommand(Wide(command_template.c_str()).get(), url.c_str(), out.bytes,
                                      out.size));
    EXPECT_EQ(expected, out.Text());
    EXPECT_TRUE(out.Intact());
}

struct BrowserTypeCase {
    const char* why;
    const char* association[4];  // chosen type and command, registered type and command
    const char* file_type;
    const char* command_template;
};

const BrowserTypeCase kBrowserTypeCases[] = {
    {"an empty ProgId names no type, whatever is read under it",
     {"", "C:\\other.exe %1", "htmlfile", "C:\\old.exe %1"},
     "htmlfile",
     "C:\\old.exe %1"},
    {"the user's choice needs no .htm association",
     {"ChosenPage", "C:\\new.exe %1", nullptr, nullptr},
     "ChosenPage",
     "C:\\new.exe %1"},
    {"the user's choice wins over what .htm names",
     {"ChosenPage", "C:\\new.exe %1", "htmlfile", "C:\\old.exe %1"},
     "ChosenPage",
     "C:\\new.exe %1"},
    // A browser uninstalled leaves its choice behind.
    {"a choice whose type has no readable open command gives way to .htm",
     {"GoneBrowserHTML", nullptr, "htmlfile", "C:\\old.exe %1"},
     "htmlfile",
     "C:\\old.exe %1"},
    {"a choice whose open command is empty gives way to .htm",
     {"GoneBrowserHTML", "", "htmlfile", "C:\\old.exe %1"},
     "htmlfile",
     "C:\\old.exe %1"},
    {"a registered type without a command names no browser",
     {nullptr, nullptr, "htmlfile", nullptr},
     "(null)",
     "(null)"},
    {"no choice and no .htm association", {nullptr, nullptr, nullptr, nullptr}, "(null)", "(null)"},
};

TEST(ChooseBrowserFileTypeTest, FileTypes) {
    for (const BrowserTypeCase& c : kBrowserTypeCases) {
        Wide chosen_type(c.association[0]), chosen_command(c.association[1]);
        Wide registered_type(c.association[2]), registered_command(c.association[3]);
        HtmAssociation association = {chosen_type.get(), chosen_command.get(),
                                      registered_type.get(), registered_command.get()};
        const char16_t* command_template = u"untouched";
        const char16_t* file_type = ChooseBrowserFileType(association, &command_template);
        EXPECT_EQ(c.file_type, Utf8(file_type)) << c.why;
        EXPECT_EQ(c.command_template, Utf8(command_template)) << c.why;
    }
}

struct TightCase {
    const char* why;
    size_t out_size;
    bool composed;
};

// "b.exe " + " " + "http://h/p" is 17 bytes, 18 with the zero.
const TightCase kTightCases[] = {
    {"exactly the command and its zero", 18, true},
    {"one byte short: nothing rather than a cut address", 17, false},
    {"room for the template only", 7, false},
    {"a single byte", 1, false},
    {"no room at all", 0, false},
};

TEST(ComposeBrowserCommandTest, TooSmallBufferStartsNothing) {
    for (const TightCase& c : kTightCases) {
        GuardedBuffer out(c.out_size);
        EXPECT_EQ(c.composed,
                  ComposeBrowserCommand(u"b.exe \"%1\"", "http://h/p", out.bytes, out.size))
            << c.why;
        if (c.out_size > 0)
            EXPECT_EQ(c.composed ? "b.exe  http://h/p" : "", out.Text()) << c.why;
        else
            EXPECT_EQ(u'X', out.bytes[0]) << c.why;
        EXPECT_TRUE(out.Intact()) << c.why;
    }
}

struct ReadmeCase {
    const char* why;
    const char* readme;
    const char* module_path;
    const char* path;  // null: there is no path to open
};

constexpr const char* kNoPath = nullptr;

const ReadmeCase kReadmeCases[] = {
    {"readme with blanks is kept unchanged", "C:\\My Documents\\read me.txt",
     "C:\\app\\regcomplete.exe", "C:\\My Documents\\read me.txt"},
    {"readme needs no module path", "c:/doc/readme.txt", kNoPath, "c:/doc/readme.txt"},
    {"readme is not cut at its directory", "D:\\docs\\", kNoPath, "D:\\docs\\"},
    {"no readme: the one beside the executable", nullptr,
     "C:\\Program Files\\Vendor\\regcomplete.exe", "C:\\Program Files\\Vendor\\readme.txt"},
    {"empty readme: the one beside the executable", "", "C:\\app\\regcomplete.exe",
     "C:\\app\\readme.txt"},
    {"module path ending in a backslash", nullptr, "C:\\app\\", "C:\\app\\readme.txt"},
    {"module path without a backslash is used whole", nullptr, "regcomplete.exe",
     "regcomplete.exereadme.txt"},
    {"empty module path", nullptr, "", "readme.txt"},
    {"a slash is no backslash", nullptr, "C:\\app/regcomplete.exe", "C:\\readme.txt"},
    {"network path", nullptr, "\\\\server\\share\\setup.exe", "\\\\server\\share\\readme.txt"},
    {"a folder no ANSI code page spells whole", nullptr, "C:\\サンプル ソフト表\\Zoë.exe",
     "C:\\サンプル ソフト表\\readme.txt"},
    {"module path that could not be had gives no path", nullptr, kNoPath, nullptr},
    {"empty readme and no module path gives no path", "", kNoPath, nullptr},
};

TEST(ComposeReadmePathTest, Paths) {
    for (const ReadmeCase& c : kReadmeCases) {
        GuardedBuffer out(kWidePathSize);
        bool composed =
            ComposeReadmePath(Wide(c.readme).get(), Wide(c.module_path).get(), out.bytes, out.size);
        EXPECT_EQ(c.path != nullptr, composed) << c.why;
        EXPECT_EQ(c.path != nullptr ? c.path : "", out.Text()) << c.why;
        EXPECT_TRUE(out.Intact()) << c.why;
    }
}

TEST(ComposeReadmePathTest, LongestModulePathFitsWhole) {
    // The longest module path GetModuleFileNameW gives, its backslash at the very end: the
    // readme beside it no longer fits, and nothing cut short is opened.
    std::string directory = "C:\\" + std::string(kWidePathSize - 1 - 4, 'd') + "\\";
    GuardedBuffer out(kWidePathSize);
    EXPECT_FALSE(ComposeReadmePath(nullptr, Wide(directory.c_str()).get(), out.bytes, out.size));
    EXPECT_TRUE(out.Intact());
    std::string shorter = "C:\\" + std::string(kWidePathSize - 1 - 4 - 10, 'd') + "\\";
    EXPECT_TRUE(ComposeReadmePath(nullptr, Wide(shorter.c_str()).get(), out.bytes, out.size));
    EXPECT_EQ(shorter + "readme.txt", out.Text());
}

// Each buffer at its exact limit: the longest input that fits is composed whole, one unit more is
// refused, never cut.
TEST(LaunchCommandsTest, ExactLimits) {
    for (size_t extra : {0, 1}) {
        bool fits = extra == 0;
        std::string system32 = "C:\\" + std::string(kSystemDirectorySize - 1 - 3 + extra, 's');
        GuardedBuffer notepad(kNotepadPathSize);
        EXPECT_EQ(fits,
                  ComposeNotepadPath(Wide(system32.c_str()).get(), notepad.bytes, notepad.size))
            << "System32 of " << system32.size() << " units";
        EXPECT_EQ(fits ? system32 + "\\notepad.exe" : "", notepad.Text());
        EXPECT_TRUE(notepad.Intact());

        std::string path = "C:\\" + std::string(kProcessCommandLineSize - 1 - 12 - 3 + extra, 'p');
        GuardedBuffer command(kProcessCommandLineSize);
        EXPECT_EQ(fits, ComposeReadmeCommand(Wide(path.c_str()).get(), command.bytes, command.size))
            << "a readme path of " << path.size() << " units";
        EXPECT_EQ(fits ? "notepad.exe " + path : "", command.Text());
        EXPECT_TRUE(command.Intact());

        std::string readme = "C:\\" + std::string(kWidePathSize - 1 - 3 + extra, 'r');
        GuardedBuffer out(kWidePathSize);
        EXPECT_EQ(fits, ComposeReadmePath(Wide(readme.c_str()).get(), nullptr, out.bytes, out.size))
            << "/R of " << readme.size() << " units";
        EXPECT_EQ(fits ? readme : "", out.Text());
        EXPECT_TRUE(out.Intact());
    }
}

struct KeyCase {
    const char* why;
    std::string file_type;
    size_t out_size;
    const char* key;  // null: does not fit
};

TEST(ComposeCommandKeyTest, Keys) {
    const std::string longest_type(kRegistryValueSize - 1, 't');
    const std::string longest_key = longest_type + "\\shell\\open\\command";
    const KeyCase cases[] = {
        {"usual file type", "htmlfile", kCommandKeySize, "htmlfile\\shell\\open\\command"},
        {"empty file type", "", kCommandKeySize, "\\shell\\open\\command"},
        {"longest file type the registry read gives", longest_type, kCommandKeySize,
         longest_key.c_str()},
        {"one byte short", "htmlfile", 27, nullptr},
        {"exactly the key and its zero", "htmlfile", 28, "htmlfile\\shell\\open\\command"},
        {"no room at all", "htmlfile", 0, nullptr},
    };
    for (const KeyCase& c : cases) {
        GuardedBuffer out(c.out_size);
        EXPECT_EQ(c.key != nullptr,
                  ComposeCommandKey(Wide(c.file_type.c_str()).get(), out.bytes, out.size))
            << c.why;
        if (c.out_size > 0) {
            EXPECT_EQ(c.key != nullptr ? c.key : "", out.Text()) << c.why;
        }
        EXPECT_TRUE(out.Intact()) << c.why;
    }
}

// A plan as one line: each step's way and what it carries, in order.
std::string Describe(const LaunchPlan& plan) {
    std::string described;
    for (int i = 0; i < plan.count; ++i) {
        const LaunchStep& step = plan.steps[i];
        if (i > 0) described += " | ";
        switch (step.way) {
            case LaunchWay::kProcess:
                described += "start ";
                if (step.program != nullptr) described += "[" + Utf8(step.program) + "] ";
                described += Utf8(step.command_line);
                break;
            case LaunchWay::kShell:
            case LaunchWay::kDesktopShell:
                described += step.way == LaunchWay::kShell ? "shell " : "desktop ";
                described += Utf8(step.target);
                if (step.arguments != nullptr) described += " with " + Utf8(step.arguments);
                if (step.directory != nullptr) described += " in " + Utf8(step.directory);
                break;
            case LaunchWay::kMessage: described += step.under_way ? "notice" : "message"; break;
        }
    }
    return described;
}

const char kSystem32[] = "C:\\Windows\\system32";

// The sessions a press can run in, all in the first user's session. The shell's user only counts
// where the token is elevated.
constexpr SessionFacts kStandardUser = {true, 1, false, ElevationType::kLimited, false, false};
constexpr SessionFacts kUacOff = {true, 1, false, ElevationType::kDefault, false, false};
constexpr SessionFacts kElevated = {true, 1, true, ElevationType::kFull, true, false};
constexpr SessionFacts kAdministratorAtOwnDesktop = {
    true, 1, true, ElevationType::kDefault, true, false,
};
constexpr SessionFacts kAnotherUsersDesktop = {
    true, 1, true, ElevationType::kDefault, false, false,
};
constexpr SessionFacts kElevatedLimited = {true, 1, true, ElevationType::kLimited, true, false};
// A press while the same button's earlier hand-over to the desktop's shell is still under way.
constexpr SessionFacts kElevatedUnderWay = {true, 1, true, ElevationType::kFull, true, true};
constexpr SessionFacts kAdministratorUnderWay = {
    true, 1, true, ElevationType::kDefault, true, true,
};

struct BrowserPlanCase {
    const char* why;
    SessionFacts session;
    bool has_web_default;
    const char* command_template;
    const char* plan;
};

const BrowserPlanCase kBrowserPlanCases[] = {
    {"a web default: the shell first, then the .htm command", kStandardUser, true, "b.exe \"%1\"",
     "shell http://h/p in C:\\Windows\\system32 | start b.exe  http://h/p | message"},
    {"no web default: the .htm command first, as ever, then the shell", kStandardUser, false,
     "b.exe \"%1\"",
     "start b.exe  http://h/p | shell http://h/p in C:\\Windows\\system32 | message"},
    {"UAC off, not elevated: as a standard user", kUacOff, false, "b.exe \"%1\"",
     "start b.exe  http://h/p | shell http://h/p in C:\\Windows\\system32 | message"},
    {"no .htm command: the shell alone", kStandardUser, false, nullptr,
     "shell http://h/p in C:\\Windows\\system32 | message"},
    {"a command that cannot be composed is left out", kStandardUser, true, "\"%1\"",
     "shell http://h/p in C:\\Windows\\system32 | message"},
    // Elevated: the desktop's shell opens the address; nothing of the program's own follows
    // unless the desktop's programs have these very rights.
    {"elevated over a split token: the desktop's shell, else the message", kElevated, true,
     "b.exe \"%1\"", "desktop http://h/p in C:\\Windows\\system32 | message"},
    {"a full token whose shell is this user still never starts a browser itself", kElevated, false,
     "b.exe \"%1\"", "desktop http://h/p in C:\\Windows\\system32 | message"},
    {"an unsplit token at its own desktop: today's ways after the desktop's shell",
     kAdministratorAtOwnDesktop, false, "b.exe \"%1\"",
     "desktop http://h/p in C:\\Windows\\system32 | start b.exe  http://h/p | "
     "shell http://h/p in C:\\Windows\\system32 | message"},
    {"an unsplit token with a web default keeps its order", kAdministratorAtOwnDesktop, true,
     "b.exe \"%1\"",
     "desktop http://h/p in C:\\Windows\\system32 | shell http://h/p in C:\\Windows\\system32 | "
     "start b.exe  http://h/p | message"},
    {"an unsplit token at another user's desktop (or SYSTEM's): the message", kAnotherUsersDesktop,
     false, "b.exe \"%1\"", "desktop http://h/p in C:\\Windows\\system32 | message"},
    {"elevated yet limited is no type the program starts things with", kElevatedLimited, false,
     "b.exe \"%1\"", "desktop http://h/p in C:\\Windows\\system32 | message"},
    // The shell may still open the earlier press's address.
    {"a full token while its hand-over is under way: a notice, not the failure message",
     kElevatedUnderWay, true, "b.exe \"%1\"", "notice"},
    {"an unsplit token while its hand-over is under way: no way of its own, no second browser",
     kAdministratorUnderWay, false, "b.exe \"%1\"", "notice"},
};

TEST(PlanBrowserLaunchTest, Plans) {
    std::u16string system32 = U16(kSystem32);
    for (const BrowserPlanCase& c : kBrowserPlanCases) {
        Wide command_template(c.command_template);
        BrowserFacts facts = {c.has_web_default, command_template.get(), system32.c_str()};
        static BrowserPlan plan;
        PlanBrowserLaunch("http://h/p", facts, c.session, &plan);
        EXPECT_EQ(c.plan, Describe(plan.plan)) << c.why;
        ASSERT_EQ(LaunchWay::kMessage, plan.plan.steps[plan.plan.count - 1].way) << c.why;
    }
}

TEST(PlanBrowserLaunchTest, TheMessageHoldsTheWholeAddress) {
    std::string address = "https://h/p?username=" + std::string(kAddressSize - 1 - 21, 'u');
    for (const SessionFacts& session : {kStandardUser, kElevated}) {
        static BrowserPlan plan;
        PlanBrowserLaunch(address.c_str(), BrowserFacts{}, session, &plan);
        std::string message = Utf8(plan.plan.steps[plan.plan.count - 1].message);
        EXPECT_NE(std::string::npos, message.find("ブラウザー")) << message;
        EXPECT_EQ(address, message.substr(message.size() - address.size()));
        EXPECT_EQ("Webユーザー登録", Utf8(plan.plan.steps[plan.plan.count - 1].caption));
    }
}

// A desktop's shell that has not answered in time may still open what it was given: its step
// carries a message of its own that says so and names what to open by hand, and nothing else of
// the plan is tried after it. A later press while that hand-over is under way gives a notice that
// says the same of the earlier press.
TEST(PlanLaunchTest, AShellThatHasNotAnsweredMayStillOpen) {
    std::u16string system32 = U16(kSystem32);
    std::string address = "https://h/p?username=" + std::string(kAddressSize - 1 - 21, 'u');
    BrowserFacts browser_facts = {true, u"b.exe \"%1\"", system32.c_str()};
    static BrowserPlan browser, browser_again;
    PlanBrowserLaunch(address.c_str(), browser_facts, kAdministratorAtOwnDesktop, &browser);
    PlanBrowserLaunch(address.c_str(), browser_facts, kAdministratorUnderWay, &browser_again);
    Wide readme("C:\\Docs\\お読み ください.txt");
    ReadmeFacts readme_facts = {readme.get(), nullptr, system32.c_str()};
    static ReadmePlan notepad, notepad_again;
    PlanReadmeLaunch(readme_facts, kElevated, &notepad);
    PlanReadmeLaunch(readme_facts, kElevatedUnderWay, &notepad_again);
    const struct {
        const LaunchStep& step;
        LaunchWay way;
        const char* intro;
        std::string subject;
        const char* caption;
    } cases[] = {
        {browser.plan.steps[0], LaunchWay::kDesktopShell,
         "ブラウザーの起動に時間がかかっています。このあと開くかもしれません。\r\n"
         "開かないときは、次のアドレスをブラウザーで開いてください（Ctrl+C "
         "でこのメッセージをコピーできます）。\r\n\r\n",
         address, "Webユーザー登録"},
        {notepad.plan.steps[0], LaunchWay::kDesktopShell,
         "メモ帳の起動に時間がかかっています。このあと開くかもしれません。\r\n"
         "開かないときは、次のファイルを開いてください。\r\n\r\n",
         "C:\\Docs\\お読み ください.txt", "READMEを読む"},
        {browser_again.plan.steps[0], LaunchWay::kMessage,
         "先ほどのブラウザーの起動が、まだ終わっていません。このあと開くかもしれません。\r\n"
         "開かないときは、次のアドレスをブラウザーで開いてください（Ctrl+C "
         "でこのメッセージをコピーできます）。\r\n\r\n",
         address, "Webユーザー登録"},
        {notepad_again.plan.steps[0], LaunchWay::kMessage,
         "先ほどのメモ帳の起動が、まだ終わっていません。このあと開くかもしれません。\r\n"
         "開かないときは、次のファイルを開いてください。\r\n\r\n",
         "C:\\Docs\\お読み ください.txt", "READMEを読む"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(c.way, c.step.way) << c.caption;
        EXPECT_EQ(c.intro + c.subject, Utf8(c.step.message)) << c.caption;
        EXPECT_EQ(c.caption, Utf8(c.step.caption));
    }
}

TEST(PlanBrowserLaunchTest, WithoutAnAddressOnlyTheMessage) {
    // A release no vendor has stamped: nothing is started, whatever the browsers and the token.
    std::u16string system32 = U16(kSystem32);
    for (const SessionFacts& session : {kStandardUser, kElevated}) {
        BrowserFacts facts = {true, u"b.exe \"%1\"", system32.c_str()};
        static BrowserPlan plan;
        PlanBrowserLaunch(nullptr, facts, session, &plan);
        ASSERT_EQ("message", Describe(plan.plan));
        EXPECT_EQ(
            "このプログラムには、ユーザー登録のアドレスが設定されていません。\r\n"
            "製品の提供元にお問い合わせください。",
            Utf8(plan.plan.steps[0].message));
        EXPECT_EQ("Webユーザー登録", Utf8(plan.plan.steps[0].caption));
    }
}

TEST(PlanBrowserLaunchTest, SchemeFollowsTheButton) {
    EXPECT_STREQ("https", WebScheme("https://regist.example.com/entry/regist.php"));
    EXPECT_STREQ("http", WebScheme("http://regist.example.com/entry/regist.php"));
}

struct DialogCase {
    const char* why;
    SessionFacts session;
    NoDialog why_not;
};

const DialogCase kDialogCases[] = {
    {"a standard user's installer", kStandardUser, NoDialog::kNone},
    {"an administrator's installer", kElevated, NoDialog::kNone},
    {"a later user's session (remote desktop, a switched user)",
     {true, 2, false, ElevationType::kLimited, false, false},
     NoDialog::kNone},
    {"a deployment tool installing as SYSTEM, on its own window station",
     {false, 1, true, ElevationType::kDefault, false, false},
     NoDialog::kHiddenStation},
    {"an interactive service: session 0's WinSta0 reports itself visible",
     {true, 0, true, ElevationType::kDefault, false, false},
     NoDialog::kServiceSession},
    {"a service's own station in session 0: the station is named first",
     {false, 0, true, ElevationType::kDefault, false, false},
     NoDialog::kHiddenStation},
};

TEST(ShowsDialogTest, OnlyWhereSomeoneSeesIt) {
    for (const DialogCase& c : kDialogCases) {
        EXPECT_EQ(c.why_not, WhyNoDialog(c.session)) << c.why;
        EXPECT_EQ(c.why_not == NoDialog::kNone, ShowsDialog(c.session)) << c.why;
    }
}

struct ReadmePlanCase {
    const char* why;
    SessionFacts session;
    const char* readme;
    const char* module_path;
    const char* system_directory;
    const char* plan;
};

const ReadmePlanCase kReadmePlanCases[] = {
    {"Notepad from System32, whatever the program's folder holds", kStandardUser, nullptr,
     "C:\\サンプル ソフト\\regcomplete.exe", kSystem32,
     "start [C:\\Windows\\system32\\notepad.exe] notepad.exe C:\\サンプル ソフト\\readme.txt | "
     "shell C:\\サンプル ソフト\\readme.txt | message"},
    {"the /R path as it is", kStandardUser, "C:\\Docs\\お読み ください.txt", "C:\\app\\x.exe",
     kSystem32,
     "start [C:\\Windows\\system32\\notepad.exe] notepad.exe C:\\Docs\\お読み ください.txt | "
     "shell C:\\Docs\\お読み ください.txt | message"},
    {"without System32 no Notepad is searched for by name", kStandardUser, "C:\\r.txt", nullptr,
     nullptr, "shell C:\\r.txt | message"},
    {"without any path only the message", kStandardUser, nullptr, nullptr, kSystem32, "message"},
    {"elevated: System32's Notepad with the path as its arguments, to the desktop's shell",
     kElevated, "C:\\Docs\\お読み ください.txt", "C:\\app\\x.exe", kSystem32,
     "desktop C:\\Windows\\system32\\notepad.exe with C:\\Docs\\お読み ください.txt in "
     "C:\\Windows\\system32 | message"},
    {"an unsplit token at its own desktop: today's ways after the desktop's shell",
     kAdministratorAtOwnDesktop, nullptr, "C:\\app\\x.exe", kSystem32,
     "desktop C:\\Windows\\system32\\notepad.exe with C:\\app\\readme.txt in C:\\Windows\\system32 "
     "| "
     "start [C:\\Windows\\system32\\notepad.exe] notepad.exe C:\\app\\readme.txt | "
     "shell C:\\app\\readme.txt | message"},
    {"elevated without System32: no Notepad to hand over, and nothing of its own", kElevated,
     "C:\\r.txt", nullptr, nullptr, "message"},
    {"an unsplit token at another user's desktop: the desktop's shell, else the message",
     kAnotherUsersDesktop, "C:\\r.txt", nullptr, kSystem32,
     "desktop C:\\Windows\\system32\\notepad.exe with C:\\r.txt in C:\\Windows\\system32 | "
     "message"},
    {"a full token while its hand-over is under way: a notice, not the failure message",
     kElevatedUnderWay, "C:\\r.txt", nullptr, kSystem32, "notice"},
    {"an unsplit token while its hand-over is under way: no Notepad of its own",
     kAdministratorUnderWay, "C:\\r.txt", nullptr, kSystem32, "notice"},
};

TEST(PlanReadmeLaunchTest, Plans) {
    for (const ReadmePlanCase& c : kReadmePlanCases) {
        Wide readme(c.readme), module_path(c.module_path), system_directory(c.system_directory);
        ReadmeFacts facts = {readme.get(), module_path.get(), system_directory.get()};
        static ReadmePlan plan;
        PlanReadmeLaunch(facts, c.session, &plan);
        EXPECT_EQ(c.plan, Describe(plan.plan)) << c.why;
    }
}

TEST(PlanReadmeLaunchTest, TheMessageNamesThePath) {
    Wide readme("C:\\Docs\\お読み ください.txt");
    std::u16string system32 = U16(kSystem32);
    for (const SessionFacts& session : {kStandardUser, kElevated}) {
        static ReadmePlan plan;
        PlanReadmeLaunch(ReadmeFacts{readme.get(), nullptr, system32.c_str()}, session, &plan);
        const LaunchStep& message = plan.plan.steps[plan.plan.count - 1];
        EXPECT_EQ("READMEを開けませんでした。\r\n\r\nC:\\Docs\\お読み ください.txt",
                  Utf8(message.message));
        EXPECT_EQ("READMEを読む", Utf8(message.caption));
    }
}

TEST(PlanReadmeLaunchTest, ACommandTooLongForCreateProcessGoesToTheShell) {
    // A module path of the longest kind: the readme beside it fits a path, not Notepad's line.
    std::string directory = "C:\\" + std::string(kProcessCommandLineSize - 21, 'd') + "\\";
    Wide module_path((directory + "x.exe").c_str());
    std::u16string system32 = U16(kSystem32);
    static ReadmePlan plan;
    PlanReadmeLaunch(ReadmeFacts{nullptr, module_path.get(), system32.c_str()}, kStandardUser,
                     &plan);
    EXPECT_EQ("shell " + directory + "readme.txt | message", Describe(plan.plan));
    std::string message = Utf8(plan.plan.steps[1].message);
    EXPECT_EQ(directory + "readme.txt", message.substr(message.size() - directory.size() - 10));
}

}  // namespace
