#include "ui/info_text.h"

#include <iconv.h>
#include <string.h>

#include <string>

#include <gtest/gtest.h>

namespace {

// The information box's six lines as they read, in UTF-8.
const char* const kInfoLines[] = {
    "簡単便利な「WEBユーザー登録」をご利用ください。",
    "",
    "ユーザー登録はユーザーサポートやバージョンアップサービスをご利用いただくために必要です。",
    "",
    "※通常は「登録(SSL)」をクリックしてください。",
    "LANからのアクセスなどでSSLが利用できない場合のみ 非SSLをお選びください。",
};

std::string ToCodePage932(const std::string& utf8) {
    iconv_t converter = iconv_open("CP932", "UTF-8");
    EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1)) << "iconv cannot convert to CP932";
    if (converter == reinterpret_cast<iconv_t>(-1)) return "";
    std::string in = utf8;
    std::string out(in.size() * 2 + 1, '\0');
    char* in_pointer = &in[0];
    size_t in_left = in.size();
    char* out_pointer = &out[0];
    size_t out_left = out.size();
    size_t result = iconv(converter, &in_pointer, &in_left, &out_pointer, &out_left);
    iconv_close(converter);
    EXPECT_NE(result, static_cast<size_t>(-1)) << "a character has no CP932 form";
    EXPECT_EQ(0u, in_left);
    out.resize(out.size() - out_left);
    return out;
}

std::string ExpectedInfoText() {
    std::string joined;
    for (size_t i = 0; i < sizeof kInfoLines / sizeof kInfoLines[0]; ++i) {
        if (i != 0) joined += "\r\n";
        joined += kInfoLines[i];
    }
    return ToCodePage932(joined);
}

// The six lines in code page 932, joined by CR LF with none after the last: 262 bytes, and the
// zero after them. The e2e checks compare the open dialog's box with this same kRegistInfoText.
TEST(InfoText, IsTheSixLinesInCodePage932JoinedByCrLf) {
    std::string expected = ExpectedInfoText();
    ASSERT_EQ(262u, expected.size());
    EXPECT_EQ(expected, std::string(kRegistInfoText));
}

}  // namespace
