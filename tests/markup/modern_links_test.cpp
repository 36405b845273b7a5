// The modern link rules, one table per rule family. Words are written as typed;
// each is escaped and linked as the conversion does. Where GFM autolinks,
// linkify-it and Django's urlize disagree, a comment says which way we went.
#include <gtest/gtest.h>

#include <string>

#include "markup.h"
#include "markup_reference.h"

namespace scrivane {
namespace {

std::string A(const std::string& href, const std::string& text) { return "<a href=\"" + href + "\">" + text + "</a>"; }
std::string A(const std::string& both) { return A(both, both); }

LinkOptions Modern() {
  LinkOptions options;
  options.modern = true;
  return options;
}

struct ModernCase {
  std::string word;  // as typed
  std::string expected;
  LinkOptions options = Modern();
};

class ModernLinksTest : public testing::TestWithParam<ModernCase> {};

TEST_P(ModernLinksTest, RewritesTheWord) {
  std::string word = GetParam().word;
  EscapeHtml(word);
  MakeLinks(word, GetParam().options);
  EXPECT_EQ(word, GetParam().expected) << GetParam().word;
}

LinkOptions Without(bool LinkOptions::*option) {
  LinkOptions options = Modern();
  options.*option = false;
  return options;
}

INSTANTIATE_TEST_SUITE_P(
    SchemeUrls, ModernLinksTest,
    testing::Values(
        ModernCase{"http://example.com", A("http://example.com")},
        ModernCase{"HTTPS://EXAMPLE.COM/A", A("HTTPS://EXAMPLE.COM/A")},
        ModernCase{"ftp://x.org/pub", A("ftp://x.org/pub")},
        ModernCase{"ftps://x.org", A("ftps://x.org")},
        ModernCase{"sftp://x.org:2222/home", A("sftp://x.org:2222/home")},
        ModernCase{"http://localhost:8080/", A("http://localhost:8080/")},
        ModernCase{"http://127.0.0.1/x", A("http://127.0.0.1/x")},
        ModernCase{"http://[2001:db8::1]:8080/a", A("http://[2001:db8::1]:8080/a")},
        ModernCase{"http://a_b.x.org/", A("http://a_b.x.org/")},  // underscores only before the last two labels
        ModernCase{"http://x.org/?a=1&b=2", A("http://x.org/?a=1&amp;b=2")},
        ModernCase{"mailto:joe@x.org?subject=Hi", A("mailto:joe@x.org?subject=Hi")},
        ModernCase{"mailto:joe@x.org", A("mailto:joe@x.org"), Without(&LinkOptions::emailCheck)},
        // What a URL may not hold is percent-encoded in the HREF, the text stays as typed.
        ModernCase{"http://x.org/a\\b[1]{2}^`", A("http://x.org/a%5Cb%5B1%5D%7B2%7D%5E%60", "http://x.org/a\\b[1]{2}^`")},
        ModernCase{"http://x.org/caf\xC3\xA9#s#t", A("http://x.org/caf%C3%A9#s%23t", "http://x.org/caf\xC3\xA9#s#t")},
        ModernCase{"http://x.org/100%/%41", A("http://x.org/100%25/%41", "http://x.org/100%/%41")}));

INSTANTIATE_TEST_SUITE_P(
    Hosts, ModernLinksTest,
    testing::Values(
        ModernCase{"www.example.com", A("https://www.example.com", "www.example.com")},
        ModernCase{"WWW.Example.COM/a", A("https://WWW.Example.COM/a", "WWW.Example.COM/a")},
        ModernCase{"www.x.org:8080/", A("https://www.x.org:8080/", "www.x.org:8080/")},
        ModernCase{"ftp.x.org/pub", A("ftp://ftp.x.org/pub", "ftp.x.org/pub")},
        ModernCase{"www.example.com,", A("https://www.example.com", "www.example.com") + ","},
        // GFM and urlize link "www.x" too; linkify-it wants a known top-level domain.
        ModernCase{"www.x", A("https://www.x", "www.x")},
        ModernCase{"www.x.org", "www.x.org", Without(&LinkOptions::changeWWW)},
        ModernCase{"ftp.x.org", "ftp.x.org", Without(&LinkOptions::changeFTP)},
        ModernCase{"www.x.org@y.org", A("mailto:www.x.org@y.org", "www.x.org@y.org")}));

INSTANTIATE_TEST_SUITE_P(
    Email, ModernLinksTest,
    testing::Values(
        ModernCase{"joe@example.org", A("mailto:joe@example.org", "joe@example.org")},
        ModernCase{"first.last+tag@a.example.co.uk", A("mailto:first.last+tag@a.example.co.uk",
                                                       "first.last+tag@a.example.co.uk")},
        ModernCase{"a@b.c", A("mailto:a@b.c", "a@b.c")},  // no shortest length as the classic rules have
        ModernCase{"joe@x.org...", A("mailto:joe@x.org", "joe@x.org") + "..."},
        ModernCase{"joe@x.org", "joe@x.org", Without(&LinkOptions::emailCheck)},
        ModernCase{"joe@example", "joe@example"},
        ModernCase{"joe@-x.org", "joe@-x.org"},
        ModernCase{"joe@x.org-", "joe@x.org-"},  // as GFM: a trailing - or _ is no address
        ModernCase{"joe@x.org_", "joe@x.org_"},
        ModernCase{"joe@x_y.org", "joe@x_y.org"},
        ModernCase{"joe@1.2.3.4", "joe@1.2.3.4"},
        ModernCase{".joe@x.org", ".joe@x.org"},
        ModernCase{"jo..e@x.org", "jo..e@x.org"},
        // The local part is ASCII, as GFM's; linkify-it takes any letters.
        ModernCase{"j\xC3\xB6" "e@x.de", "j\xC3\xB6" "e@x.de"}));

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ModernLinksTest,
    testing::Values(
        ModernCase{"text:http://x.org", "text:" + A("http://x.org")},
        ModernCase{"|http://x.org|", "|" + A("http://x.org") + "|"},
        ModernCase{"\xEF\xBD\x9Cwww.x.org\xEF\xBD\x9C", "\xEF\xBD\x9C" + A("https://www.x.org", "www.x.org") + "\xEF\xBD\x9C"},
        ModernCase{"_http://x.org", "_http://x.org"},  // GFM links after "_"; we never start mid-word
        ModernCase{"e.g.http://x.org", "e.g.http://x.org"},
        ModernCase{"xwww.x.org", "xwww.x.org"},
        // linkify-it links inside CJK text; there no space parts words, so we do not.
        ModernCase{"\xE8\xA6\x8B\xE3\x81\xA6http://x.org", "\xE8\xA6\x8B\xE3\x81\xA6http://x.org"},
        ModernCase{"http://x.org/a.", A("http://x.org/a") + "."},
        ModernCase{"http://x.org/a...", A("http://x.org/a") + "..."},
        ModernCase{"http://x.org/a?!:;,", A("http://x.org/a") + "?!:;,"},  // all of them, not one
        ModernCase{"http://x.org/it's'", A("http://x.org/it's") + "'"},
        ModernCase{"http://x.org/a\xE3\x80\x82" "b", A("http://x.org/a") + "\xE3\x80\x82" "b"},
        ModernCase{"http://x.org/a<b>", A("http://x.org/a") + "&lt;b&gt;"},
        ModernCase{"http://x.org/a&", A("http://x.org/a&amp;")},  // the entity is never cut
        ModernCase{"http://x.org:", A("http://x.org") + ":"}));

INSTANTIATE_TEST_SUITE_P(
    Brackets, ModernLinksTest,
    testing::Values(
        ModernCase{"https://en.wikipedia.org/wiki/Foo_(bar)", A("https://en.wikipedia.org/wiki/Foo_(bar)")},
        ModernCase{"https://x.org/a)", A("https://x.org/a") + ")"},  // "(see https://x.org/a)"
        ModernCase{"(https://x.org/w/F_(b)).", "(" + A("https://x.org/w/F_(b)") + ")."},
        ModernCase{"((http://x.org/a)))", "((" + A("http://x.org/a") + ")))"},
        ModernCase{"[http://x.org/[1]]", "[" + A("http://x.org/%5B1%5D", "http://x.org/[1]") + "]"},
        ModernCase{"{www.x.org}", "{" + A("https://www.x.org", "www.x.org") + "}"},
        ModernCase{"\xEF\xBC\x88http://x.org\xEF\xBC\x89", "\xEF\xBC\x88" + A("http://x.org") + "\xEF\xBC\x89"}));

INSTANTIATE_TEST_SUITE_P(
    Wrappers, ModernLinksTest,
    testing::Values(
        ModernCase{"<http://x.org>", "&lt;" + A("http://x.org") + "&gt;"},
        ModernCase{"<me@example.org>.", "&lt;" + A("mailto:me@example.org", "me@example.org") + "&gt;."},
        ModernCase{"\"webmaster@example.org\".", "&quot;" + A("mailto:webmaster@example.org", "webmaster@example.org") +
                                                     "&quot;."},
        ModernCase{"(email@example.com", "(" + A("mailto:email@example.com", "email@example.com")},
        ModernCase{"'joe@x.org'", "'" + A("mailto:joe@x.org", "joe@x.org") + "'"},
        ModernCase{"\"http://x.org/q\"", "&quot;" + A("http://x.org/q") + "&quot;"},
        ModernCase{"\xE3\x80\x8Cjoe@x.org\xE3\x80\x8D", "\xE3\x80\x8C" + A("mailto:joe@x.org", "joe@x.org") +
                                                            "\xE3\x80\x8D"}));

INSTANTIATE_TEST_SUITE_P(
    NonAsciiHosts, ModernLinksTest,
    testing::Values(
        ModernCase{"http://b\xC3\xBC" "cher.de/", A("http://xn--bcher-kva.de/", "http://b\xC3\xBC" "cher.de/")},
        ModernCase{"http://B\xC3\xBC" "cher.DE/Stra\xC3\x9F" "e",
                   A("http://xn--bcher-kva.de/Stra%C3%9Fe", "http://B\xC3\xBC" "cher.DE/Stra\xC3\x9F" "e")},
        ModernCase{"www.b\xC3\xBC" "cher.de", A("https://www.xn--bcher-kva.de", "www.b\xC3\xBC" "cher.de")},
        ModernCase{"joe@b\xC3\xBC" "cher.de", A("mailto:joe@xn--bcher-kva.de", "joe@b\xC3\xBC" "cher.de")},
        ModernCase{"http://\xE4\xBE\x8B\xE3\x81\x88.jp", A("http://xn--r8jz45g.jp", "http://\xE4\xBE\x8B\xE3\x81\x88.jp")},
        ModernCase{"http://\xE2\x98\x83.net", "http://\xE2\x98\x83.net"}));  // a symbol is no letter of a name

INSTANTIATE_TEST_SUITE_P(
    NotLinks, ModernLinksTest,
    testing::Values(ModernCase{"http://", "http://"}, ModernCase{"http://.x", "http://.x"},
                    ModernCase{"http://-x", "http://-x"}, ModernCase{"http://#", "http://#"},
                    ModernCase{"http://x", "http://x"}, ModernCase{"http://x..org", "http://x..org"},
                    ModernCase{"http://999.1.1.1", "http://999.1.1.1"}, ModernCase{"http://1.2.3", "http://1.2.3"},
                    ModernCase{"http://x.org:99999", "http://x.org:99999"},
                    ModernCase{"http://example.com_", "http://example.com_"},  // as GFM
                    // A user name in a URL is not linked (GFM links it; linkify-it does too).
                    ModernCase{"http://user@x.org", "http://user@x.org"},
                    ModernCase{"hppt://example.com", "hppt://example.com"},
                    ModernCase{"javascript:alert(1)", "javascript:alert(1)"},
                    ModernCase{"javascript://x.org/%0Aalert(1)", "javascript://x.org/%0Aalert(1)"},
                    ModernCase{"data:text/html,x", "data:text/html,x"},
                    ModernCase{"file:///etc/passwd", "file:///etc/passwd"},
                    ModernCase{"www.", "www."}, ModernCase{"mailto:x", "mailto:x"}, ModernCase{"@x.org", "@x.org"}));

struct AnchorCase {
  bool newTab;
  bool nofollow;
  std::string attributes;
};

class ModernAnchorTest : public testing::TestWithParam<AnchorCase> {};

TEST_P(ModernAnchorTest, CarriesOneRelAttribute) {
  LinkOptions options = Modern();
  options.newTab = GetParam().newTab;
  options.nofollow = GetParam().nofollow;
  std::string word = "(http://x.org).";
  MakeLinks(word, options);
  EXPECT_EQ(word, "(<a href=\"http://x.org\"" + GetParam().attributes + ">http://x.org</a>).");
}

INSTANTIATE_TEST_SUITE_P(Table, ModernAnchorTest,
                         testing::Values(AnchorCase{false, false, ""},
                                         AnchorCase{true, false, " target=\"_blank\" rel=\"noopener noreferrer\""},
                                         AnchorCase{false, true, " rel=\"nofollow ugc\""},
                                         AnchorCase{true, true,
                                                    " target=\"_blank\" rel=\"noopener noreferrer nofollow ugc\""}));

}  // namespace
}  // namespace scrivane
