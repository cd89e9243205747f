// A realistic command-line tail from a Japanese installer: every option, kanji and half-width kana
// details, a quoted readme path with blanks. Shift_JIS bytes.
#pragma once

// /P"SAMPLE-2026" /U"山田 太郎" /O"株式会社ｻﾝﾌﾟﾙ" /S1234-5678-9012
// /R"C:\Program Files\Sample\readme.txt" /W197842 /CNSISUIForm /T"サンプル セットアップ"
constexpr const char kSampleTail[] =
    "/P\"SAMPLE-2026\" /U\"\x8E\x52\x93\x63 \x91\xBE\x98\x59\" "
    "/O\"\x8A\x94\x8E\xAE\x89\xEF\x8E\xD0\xBB\xDD\xCC\xDF\xD9\" /S1234-5678-9012 "
    "/R\"C:\\Program Files\\Sample\\readme.txt\" /W197842 /CNSISUIForm "
    "/T\"\x83\x54\x83\x93\x83\x76\x83\x8B \x83\x5A\x83\x62\x83\x67\x83\x41\x83\x62\x83\x76\"";

// The form's two base addresses at a vendor's host, as the program composes them at a press.
constexpr const char kSampleSslBase[] = "https://regist.vendor-example.jp/entry/regist.php";
constexpr const char kSamplePlainBase[] = "http://regist.vendor-example.jp/entry/regist.php";
