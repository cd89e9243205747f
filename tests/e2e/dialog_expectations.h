// What the completion dialog of regcomplete.exe must look like, as the driver checks it: the
// template's styles, size, caption and font, and every control in template order. Texts are the
// Shift_JIS bytes a Japanese Windows (code page 932) reads back, written as byte escapes with the
// text in the comment, so that no compiler or editor setting can change them; the information
// box's text is the program's own kRegistInfoText.
#pragma once

#include <windows.h>

#include "resource_ids.h"
#include "ui/info_text.h"

// インストール完了
constexpr char kDialogCaption[] =
    "\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b\x8a\xae\x97\xb9";
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr int kDialogWidthDu = 299;
constexpr int kDialogHeightDu = 195;
// ＭＳ Ｐゴシック, as the template stores it (UTF-16), at 9 points.
constexpr wchar_t kDialogFont[] = L"\xff2d\xff33\x0020\xff30\x30b4\x30b7\x30c3\x30af";
constexpr int kDialogFontPoints = 9;

enum class ControlKind { kPushButton, kDefaultPushButton, kEdit, kStatic };

struct ExpectedControl {
    const char* why;
    int id;
    ControlKind kind;
    int x, y, width, height;  // dialog units
    DWORD style;              // exactly as the template holds it
    // What WM_GETTEXT gives once the dialog is open. The template holds the same text, except
    // for the info box: its template is empty and the program sets its text as the dialog opens.
    const char* text;
    // What a screen reader reads as its name (MSAA), when that is not `text`: an edit box has
    // the name of the label right before it.
    const char* name;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

// ・Page Downキーで説明をスクロールすることができます。
constexpr char kScrollLabel[] =
    "\x81\x45Page Down\x83\x4c\x81\x5b\x82\xc5\x90\xe0\x96\xbe\x82\xf0\x83\x58\x83\x4e\x83\x8d"
    "\x81\x5b\x83\x8b\x82\xb7\x82\xe9\x82\xb1\x82\xc6\x82\xaa\x82\xc5\x82\xab\x82\xdc\x82\xb7"
    "\x81\x42";

// Template order, which is also the order of the child windows and the tab order.
constexpr ExpectedControl kControls[] = {
    // Webユーザー登録(SSL)...
    {"SSL registration: the first tab stop, so it has the focus", IDC_REGIST_SSL,
     ControlKind::kPushButton, 6, 154, 92, 16, kChild | WS_TABSTOP | BS_PUSHBUTTON,
     "Web\x83\x86\x81\x5b\x83\x55\x81\x5b\x93\x6f\x98\x5e(SSL)...", nullptr},
    // Webユーザー登録(非SSL)...
    {"plain registration", IDC_REGIST_PLAIN, ControlKind::kPushButton, 103, 154, 92, 16,
     kChild | WS_TABSTOP | BS_PUSHBUTTON,
     "Web\x83\x86\x81\x5b\x83\x55\x81\x5b\x93\x6f\x98\x5e(\x94\xf1SSL)...", nullptr},
    // 完了
    {"finish: the default button", IDOK, ControlKind::kDefaultPushButton, 200, 174, 92, 16,
     kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, "\x8a\xae\x97\xb9", nullptr},
    // READMEを読む...
    {"readme", IDC_README, ControlKind::kPushButton, 200, 154, 92, 16,
     kChild | WS_TABSTOP | BS_PUSHBUTTON, "README\x82\xf0\x93\xc7\x82\xde...", nullptr},
    // ・ソフトウェアのインストールが終了しました。
    {"first label", IDC_STATIC, ControlKind::kStatic, 7, 6, 167, 8, kChild | WS_GROUP | SS_LEFT,
     "\x81\x45\x83\x5c\x83\x74\x83\x67\x83\x45\x83\x46\x83\x41\x82\xcc\x83\x43\x83\x93\x83\x58"
     "\x83\x67\x81\x5b\x83\x8b\x82\xaa\x8f\x49\x97\xb9\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42",
     nullptr},
    {"second label: right before the info box, whose name it gives", IDC_STATIC,
     ControlKind::kStatic, 7, 17, 190, 8, kChild | WS_GROUP | SS_LEFT, kScrollLabel, nullptr},
    // The program's own information text, whose bytes tests/info_text_test.cpp pins.
    {"info box: read-only, bordered, no scroll bars; the last tab stop, named by the label",
     IDC_INFO, ControlKind::kEdit, 7, 29, 285, 120,
     kChild | WS_TABSTOP | WS_BORDER | ES_LEFT | ES_MULTILINE | ES_READONLY, kRegistInfoText,
     kScrollLabel},
};
constexpr int kControlCount = static_cast<int>(sizeof kControls / sizeof kControls[0]);

// The tab order from the SSL button on: the buttons as ever, then the info box; no label.
constexpr int kTabOrder[] = {IDC_REGIST_SSL, IDC_REGIST_PLAIN, IDOK, IDC_README, IDC_INFO};
