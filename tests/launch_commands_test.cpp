#include "launch/launch_commands.h"

#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const char kUrl[] = "https://regist.example.com/entry/regist.php?productid=abc";

// Fills a buffer of `out_size` bytes followed by guard bytes, and checks afterwards that the
// guard is untouched and that the buffer is zero-terminated.
struct GuardedBuffer {
    static constexpr size_t kGuardSize = 16;
    char bytes[kBrowserCommandSize + kReadmeCommandSize + kGuardSize];
    size_t size;

    explicit GuardedBuffer(size_t out_size) : size(out_size) { memset(bytes, 'X', sizeof bytes); }
    bool Intact() const {
        for (size_t i = size; i < size + kGuardSize; ++i)
            if (bytes[i] != 'X') return false;
        return size == 0 || memchr(bytes, '\0', size) != nullptr;
    }
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
    // ソ is 83 5C and 表 is 95 5C in Shift_JIS: trail bytes pass through unchanged.
    {"double-byte path kept byte for byte", "\"C:\\\x83\x5C\x83\x74\x83\x67\\\x95\x5C.exe\" \"%1\"",
     "http://h/p", "\"C:\\\x83\x5C\x83\x74\x83\x67\\\x95\x5C.exe\"  http://h/p"},
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
        bool composed = ComposeBrowserCommand(c.command_template, c.url, out.bytes, out.size);
        EXPECT_EQ(c.command != nullptr, composed) << c.why;
        EXPECT_EQ(c.command != nullptr ? c.command : "", std::string(out.bytes)) << c.why;
        EXPECT_TRUE(out.Intact()) << c.why;
    }
}

TEST(ComposeBrowserCommandTest, LongestTemplateAndAddressFitWhole) {
    std::string command_template(kRegistryValueSize - 1, 'T');
    std::string url = "http://" + std::string(kAddressSize - 1 - 7, 'u');
    std::string expected = command_template + " " + url;
    ASSERT_EQ(kBrowserCommandSize - 1, expected.size());

    GuardedBuffer out(kBrowserCommandSize);
    EXPECT_TRUE(ComposeBrowserCommand(command_template.c_str(), url.c_str(), out.bytes, out.size));
    EXPECT_EQ(expected, out.bytes);
    EXPECT_TRUE(out.Intact());
}

struct BrowserTypeCase {
    const char* why;
    HtmAssociation association;
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
};

TEST(ChooseBrowserFileTypeTest, FileTypes) {
    for (const BrowserTypeCase& c : kBrowserTypeCases) {
        const char* command_template = "untouched";
        const char* file_type = ChooseBrowserFileType(c.association, &command_template);
        EXPECT_EQ(std::string(c.file_type), file_type != nullptr ? file_type : "(null)") << c.why;
        EXPECT_EQ(std::string(c.command_template),
                  command_template != nullptr ? command_template : "(null)")
            << c.why;
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
                  ComposeBrowserCommand("b.exe \"%1\"", "http://h/p", out.bytes, out.size))
            << c.why;
        if (c.out_size > 0)
            EXPECT_EQ(c.composed ? "b.exe  http://h/p" : "", std::string(out.bytes)) << c.why;
        else
            EXPECT_EQ('X', out.bytes[0]) << c.why;
        EXPECT_TRUE(out.Intact()) << c.why;
    }
}

struct ReadmeCase {
    const char* why;
    unsigned code_page;
    const char* readme;
    const char* module_path;
    const char* command;  // null: nothing is started
};

constexpr const char* kNoPath = nullptr;

const ReadmeCase kReadmeCases[] = {
    {"readme with blanks goes unquoted and unchanged", 932, "C:\\My Documents\\read me.txt",
     "C:\\app\\regcomplete.exe", "notepad.exe C:\\My Documents\\read me.txt"},
    {"readme needs no module path", 932, "c:/doc/readme.txt", kNoPath,
     "notepad.exe c:/doc/readme.txt"},
    {"readme is not cut at its directory", 932, "D:\\docs\\", kNoPath, "notepad.exe D:\\docs\\"},
    {"no readme: the one beside the executable", 932, nullptr,
     "C:\\Program Files\\Vendor\\regcomplete.exe",
     "notepad.exe C:\\Program Files\\Vendor\\readme.txt"},
    {"empty readme: the one beside the executable", 932, "", "C:\\app\\regcomplete.exe",
     "notepad.exe C:\\app\\readme.txt"},
    {"module path ending in a backslash", 932, nullptr, "C:\\app\\",
     "notepad.exe C:\\app\\readme.txt"},
    {"module path without a backslash is used whole", 932, nullptr, "regcomplete.exe",
     "notepad.exe regcomplete.exereadme.txt"},
    {"empty module path", 932, nullptr, "", "notepad.exe readme.txt"},
    {"a slash is no backslash", 932, nullptr, "C:\\app/regcomplete.exe",
     "notepad.exe C:\\readme.txt"},
    {"network path", 932, nullptr, "\\\\server\\share\\setup.exe",
     "notepad.exe \\\\server\\share\\readme.txt"},
    // 表 is 95 5C and ソ is 83 5C in Shift_JIS: their trail bytes are no backslashes.
    {"file name ending in a 0x5C trail byte", 932, nullptr, "C:\\tools\\\x95\x5C.exe",
     "notepad.exe C:\\tools\\readme.txt"},
    {"file name that is one 0x5C-trailed character", 932, nullptr, "C:\\tools\\\x83\x5C",
     "notepad.exe C:\\tools\\readme.txt"},
    {"directory ending in a 0x5C-trailed character", 932, nullptr,
     "C:\\\x95\x5C\x8E\xA6\\\x83\x5C\x83\x74\x83\x67.exe",
     "notepad.exe C:\\\x95\x5C\x8E\xA6\\readme.txt"},
    {"only trail-byte backslashes: the path is used whole", 932, nullptr, "\x95\x5C\x83\x5C.exe",
     "notepad.exe \x95\x5C\x83\x5C.exereadme.txt"},
    {"a lead byte takes a real backslash as its trail byte", 932, nullptr,
     "C:\\app\\\x81\\name.exe", "notepad.exe C:\\app\\readme.txt"},
    {"a lead byte at the very end", 932, nullptr, "C:\\app\\name\x81",
     "notepad.exe C:\\app\\readme.txt"},
    {"half-width kana are single bytes", 932, nullptr, "C:\\\xB1\xB2\\\xB3.exe",
     "notepad.exe C:\\\xB1\xB2\\readme.txt"},
    {"code page 1252 has no lead bytes: 0x5C after 0x95 is a backslash", 1252, nullptr,
     "C:\\tools\\\x95\x5C.exe", "notepad.exe C:\\tools\\\x95\\readme.txt"},
    {"module path that could not be had starts nothing", 932, nullptr, kNoPath, nullptr},
    {"empty readme and no module path starts nothing", 932, "", kNoPath, nullptr},
};

TEST(ComposeReadmeCommandTest, CommandLines) {
    for (const ReadmeCase& c : kReadmeCases) {
        CharClass classes = ClassesFor(c.code_page);
        GuardedBuffer out(kReadmeCommandSize);
        bool composed = ComposeReadmeCommand(c.readme, c.module_path, classes, out.bytes, out.size);
        EXPECT_EQ(c.command != nullptr, composed) << c.why;
        EXPECT_EQ(c.command != nullptr ? c.command : "", std::string(out.bytes)) << c.why;
        EXPECT_TRUE(out.Intact()) << c.why;
    }
}

TEST(ComposeReadmeCommandTest, LongestPathsFitWhole) {
    CharClass classes = ClassesFor(932);
    // The longest module path GetModuleFileNameA can give, its backslash at the very end.
    std::string directory = "C:\\" + std::string(kModulePathSize - 1 - 4, 'd') + "\\";
    ASSERT_EQ(kModulePathSize - 1, directory.size());
    GuardedBuffer out(kReadmeCommandSize);
    EXPECT_TRUE(ComposeReadmeCommand(nullptr, directory.c_str(), classes, out.bytes, out.size));
    EXPECT_EQ("notepad.exe " + directory + "readme.txt", out.bytes);
    EXPECT_EQ(kReadmeCommandSize - 1, strlen(out.bytes));
    EXPECT_TRUE(out.Intact());

    // The longest readme option: the whole command copy but for "/R".
    std::string tail = "/R" + std::string(kCommandCopySize - 1 - 2, 'r');
    static RegistrationOptions options;
    ParseOptions(tail.c_str(), classes, &options);
    ASSERT_EQ(kCommandCopySize - 3, strlen(options.readme));
    GuardedBuffer readme_out(kReadmeCommandSize);
    EXPECT_TRUE(
        ComposeReadmeCommand(options.readme, nullptr, classes, readme_out.bytes, readme_out.size));
    EXPECT_EQ(std::string("notepad.exe ") + options.readme, readme_out.bytes);
    EXPECT_TRUE(readme_out.Intact());
}

// "notepad.exe C:\a\readme.txt" is 27 bytes, 28 with the zero.
const TightCase kReadmeTightCases[] = {
    {"exactly the command and its zero", 28, true},
    {"one byte short: nothing rather than a cut path", 27, false},
    {"room for the prefix only", 13, false},
    {"a single byte", 1, false},
    {"no room at all", 0, false},
};

TEST(ComposeReadmeCommandTest, TooSmallBufferStartsNothing) {
    CharClass classes = ClassesFor(932);
    for (const TightCase& c : kReadmeTightCases) {
        GuardedBuffer out(c.out_size);
        EXPECT_EQ(c.composed,
                  ComposeReadmeCommand(nullptr, "C:\\a\\x.exe", classes, out.bytes, out.size))
            << c.why;
        if (c.out_size > 0)
            EXPECT_EQ(c.composed ? "notepad.exe C:\\a\\readme.txt" : "", std::string(out.bytes))
                << c.why;
        else
            EXPECT_EQ('X', out.bytes[0]) << c.why;
        EXPECT_TRUE(out.Intact()) << c.why;
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
        EXPECT_EQ(c.key != nullptr, ComposeCommandKey(c.file_type.c_str(), out.bytes, out.size))
            << c.why;
        if (c.out_size > 0) {
            EXPECT_EQ(c.key != nullptr ? c.key : "", std::string(out.bytes)) << c.why;
        }
        EXPECT_TRUE(out.Intact()) << c.why;
    }
}

}  // namespace
