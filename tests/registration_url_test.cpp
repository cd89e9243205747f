#include "request/registration_url.h"

#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "request/registration_host.h"
#include "test_support.h"

namespace {

const std::string kSsl = "https://regist.example.com/entry/regist.php";
const std::string kPlain = "http://regist.example.com/entry/regist.php";
const char* const kRegistUrlSsl = kSsl.c_str();
const char* const kRegistUrlPlain = kPlain.c_str();

std::string Build(const char* base, const std::string& tail, unsigned code_page = 932) {
    CharClass classes = ClassesFor(code_page);
    static RegistrationOptions options;
    ParseOptions(tail.c_str(), classes, &options);
    char out[kAddressSize];
    memset(out, 'X', sizeof out);
    EXPECT_EQ(out, BuildRegistrationUrl(base, options, classes, out, sizeof out));
    EXPECT_NE(nullptr, memchr(out, '\0', sizeof out));
    return out;
}

struct BaseCase {
    const char* why;
    RegistrationScheme scheme;
    std::string host;
    size_t out_size;
    const char* base;  // null: none
};

TEST(RegistrationUrlTest, BaseAddresses) {
    const std::string longest_host(kHostSlotSize - 1, 'h');
    const std::string longest = "https://" + longest_host + "/entry/regist.php";
    const BaseCase cases[] = {
        {"the secure form", RegistrationScheme::kSsl, "regist.example.com", kAddressSize,
         kSsl.c_str()},
        {"the plain form differs only in its scheme", RegistrationScheme::kPlain,
         "regist.example.com", kAddressSize, kPlain.c_str()},
        {"a port stays with the host", RegistrationScheme::kSsl, "h.example:8443", kAddressSize,
         "https://h.example:8443/entry/regist.php"},
        {"no host: a release no vendor has stamped opens nothing", RegistrationScheme::kSsl, "",
         kAddressSize, nullptr},
        {"the longest host the slot holds", RegistrationScheme::kSsl, longest_host, kAddressSize,
         longest.c_str()},
        {"exactly the address and its zero", RegistrationScheme::kPlain, "h", 26,
         "http://h/entry/regist.php"},
        {"one byte short: nothing cut", RegistrationScheme::kPlain, "h", 25, nullptr},
    };
    for (const BaseCase& c : cases) {
        char out[kAddressSize + 1];
        memset(out, 'X', sizeof out);
        const char* base = ComposeRegistrationBase(c.scheme, c.host.c_str(), out, c.out_size);
        EXPECT_EQ(OrNull(c.base), OrNull(base)) << c.why;
        EXPECT_EQ(c.base != nullptr ? c.base : "", std::string(out)) << c.why;
        EXPECT_EQ('X', out[c.out_size]) << c.why;
    }
}

struct UrlCase {
    const char* why;
    const char* tail;
    const char* query;
};

const UrlCase kUrlCases[] = {
    {"no details", "", ""},
    {"readme and owner are not details", "/Rreadme.txt /W12 /Cc /Tt", ""},
    {"only productid", "/P100", "?productid=100"},
    {"username and organization without productid", "/Uabc /Oxyz",
     "?username=abc&organization=xyz"},
    {"empty productid contributes nothing", "/P /Uabc", "?username=abc"},
    {"empty quoted value contributes nothing", "/U\"\" /Sx", "?serialno=x"},
    {"half-width kana", "/U\xD4\xCF\xC0\xDE", "?username=%25%64%25%5E%25%3F%21%2B"},
    {"serial number comes last", "/S12-34 /Oo /Pp /Uu",
     "?productid=p&username=u&organization=o&serialno=12-34"},
    {"serial number alone", "/SAB", "?serialno=AB"},
    {"kanji with a blank in quotes", "/U\"\x8E\x52\x93\x63 \x91\xBE\x98\x59\"",
     "?username=%8E%52%93%63%20%91%BE%98%59"},
    {"an ampersand cannot add a parameter", "/O\"A&B=C\"", "?organization=A%26B=C"},
    {"a dropped value is absent", "/Pp /U\x8E", "?productid=p"},
};

TEST(RegistrationUrlTest, Query) {
    for (const UrlCase& c : kUrlCases) {
        EXPECT_EQ(kSsl + c.query, Build(kRegistUrlSsl, c.tail)) << c.why;
        EXPECT_EQ(kPlain + c.query, Build(kRegistUrlPlain, c.tail)) << c.why;
    }
}

TEST(RegistrationUrlTest, ADetailThatDoesNotFitIsLeftOutWhole) {
    // 80 half-width kana encode to 480 bytes: with the base and the key they cannot fit.
    std::string kana(80, '\xB1');

    EXPECT_EQ(kSsl + "?organization=o&serialno=s", Build(kRegistUrlSsl, "/U" + kana + " /Oo /Ss"))
        << "the later details still come, the first of them with '?'";

    std::string fits(20, '\xB1');
    std::string fits_encoded;
    for (int i = 0; i < 20; ++i) fits_encoded += "%25%22";
    EXPECT_EQ(kSsl + "?productid=" + fits_encoded + "&serialno=s",
              Build(kRegistUrlSsl, "/P" + fits + " /U" + kana + " /Ss"));
}

TEST(RegistrationUrlTest, FillsTheAddressToTheLastByte) {
    std::string prefix = kSsl + "?productid=";
    size_t room = kAddressSize - 1 - prefix.size();
    std::string exact(room, 'a');
    EXPECT_EQ(prefix + exact, Build(kRegistUrlSsl, "/P" + exact));
    EXPECT_EQ(kSsl, Build(kRegistUrlSsl, "/P" + exact + "a")) << "one byte more is left out";
}

TEST(RegistrationUrlTest, NeverBlankQuoteOrControlByte) {
    std::string tail = "/U\"a b\t\"\" /O\x01\x7F /S\x81\x20";
    std::string url = Build(kRegistUrlSsl, tail);
    for (char c : url) {
        unsigned char byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte > 0x20 && byte < 0x7F && byte != '"') << url;
    }
}

// The rule the configure step and the stamp share: each row a slip it would let through, or a
// mistake a vendor makes that must get its own message.
TEST(RegistrationHostTest, HostNames) {
    using P = HostNameProblem;
    const std::string label63(63, 'a');
    // 63 + 1 + 63 + 1 + 63 + 1 + 61: the longest name.
    const std::string longest =
        label63 + "." + label63 + "." + label63 + "." + std::string(61, 'b');
    const struct {
        const char* why;
        std::string host;
        HostNameProblem problem;
    } cases[] = {
        {"a dotted name", "regist.vendor-example.jp", P::kNone},
        {"a port", "regist.example.com:8443", P::kNone},
        {"one letter", "h", P::kNone},
        {"the longest name and the largest port", longest + ":65535", P::kNone},
        {"one character more than 253", longest + "b", P::kNameTooLong},
        {"a label of 63", label63 + ".jp", P::kNone},
        {"a label of 64", label63 + "a.jp", P::kLabelTooLong},
        {"a label of 64 last", "regist." + label63 + "a", P::kLabelTooLong},
        {"empty", "", P::kEmpty},
        {"only a port", ":8443", P::kEmpty},
        {"a whole address", "https://regist.example.com/", P::kNotTheHostAlone},
        {"a path", "regist.example.com/entry", P::kNotTheHostAlone},
        {"a blank", "regist example", P::kBadCharacter},
        {"a leading hyphen", "-regist.example", P::kHyphenAtLabelEdge},
        {"a label ending in a hyphen inside the name", "regist-.example.jp", P::kHyphenAtLabelEdge},
        {"a trailing dot", "regist.example.", P::kEmptyLabel},
        {"two dots in a row", "a..b", P::kEmptyLabel},
        {"a port without digits", "regist.example.com:", P::kBadPort},
        {"a port with a letter", "regist.example.com:8a", P::kBadPort},
        {"port 1", "regist.example.com:1", P::kNone},
        {"port 0", "regist.example.com:0", P::kBadPort},
        {"port 65536", "regist.example.com:65536", P::kBadPort},
        {"an IPv6 literal", "[2001:db8::1]:8443", P::kIpv6Literal},
        {"a Japanese name", "例え.jp", P::kNotAscii},
        {"a byte beyond ASCII", "r\xE9gist.example", P::kNotAscii},
        {"the first byte beyond ASCII", "r\x80gist.example", P::kNotAscii},
        {"a user", "me@regist.example.com", P::kNotTheHostAlone},
        {"a name in brackets, as an IPv6 literal is given", "[regist.example.com]",
         P::kIpv6Literal},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<int>(c.problem),
                  static_cast<int>(RegistrationHostNameProblem(c.host.c_str())))
            << c.why;
        EXPECT_EQ(c.problem == P::kNone, IsRegistrationHostName(c.host.c_str())) << c.why;
    }
}

}  // namespace

namespace {

TEST(RegistrationHostName, TheHostMeant) {
    const struct {
        const char* why;
        const char* given;
        const char* meant;  // null: none to give
    } cases[] = {
        {"a whole address", "https://regist.sample-soft.co.jp/", "regist.sample-soft.co.jp"},
        {"a user, a port that is one, a path and a query",
         "http://me@regist.example.com:8443/entry?x=1", "regist.example.com:8443"},
        {"a path without a scheme", "regist.example.com/entry", "regist.example.com"},
        {"a fragment", "regist.example.com#form", "regist.example.com"},
        {"the last @ ends the user", "a@b@regist.jp/x", "regist.jp"},
        {"port 0 is no port", "regist.example.com:0", "regist.example.com"},
        {"a port too large in an address", "https://regist.example.com:65536/",
         "regist.example.com"},
        {"no host after the scheme", "https:///entry", nullptr},
        {"an IPv6 literal is no host name", "https://[2001:db8::1]/", nullptr},
        {"a host name with a blank", "https://regist example/", nullptr},
    };
    for (const auto& c : cases) {
        char meant[kHostSlotSize];
        bool has = HostMeant(c.given, meant, sizeof meant);
        EXPECT_EQ(c.meant != nullptr, has) << c.why;
        EXPECT_STREQ(c.meant != nullptr ? c.meant : "", meant) << c.why;
    }
    char small[sizeof "regist.jp" - 1];
    EXPECT_FALSE(HostMeant("https://regist.jp/", small, sizeof small))
        << "a host that does not fit";
}

}  // namespace
