// Hostile option values in a real browser (headless Chromium): colours, face,
// size, image, language, target, title and footer typed to break out of their
// places cannot add a style rule, an element, a handler or a script, in any
// format. A probe runs before the page, hooks what injected script would call,
// presses every Go button, and leaves its findings in <pre id="probe">.
#include <gtest/gtest.h>

#include <cstring>

#include "chromium.h"
#include "convert_helpers.h"
#include "hostile_lines.h"

namespace scrivane {
namespace {

using testing_support::ConvertText;
using testing_support::DumpDom;
using testing_support::kChromium;
using testing_support::kHostileLines;
using testing_support::Sandbox;
using testing_support::WriteFile;

constexpr const char* kProbe = R"JS(<script>
(function () {
  var ran = [], opened = [];
  ['alert', 'confirm', 'prompt', 'print'].forEach(function (name) { window[name] = function () { ran.push(name); }; });
  window.open = function (url, target, features) { opened.push([String(target), String(features)]); return null; };
  window.addEventListener('load', function () {
    var allowed = ' HTML HEAD META TITLE STYLE BODY HEADER H1 MAIN FOOTER DIV P BR A B I EM STRONG CODE SPAN TIME' +
                  ' PRE UL OL LI TABLE THEAD TBODY TR TH TD FORM LABEL SELECT OPTION BUTTON SCRIPT ';
    var strange = {}, handlers = [];
    [].forEach.call(document.querySelectorAll('*'), function (el) {
      if (allowed.indexOf(' ' + el.tagName + ' ') < 0) strange[el.tagName] = 1;
      [].forEach.call(el.attributes, function (at) { if (at.name.slice(0, 2) === 'on') handlers.push(at.name); });
    });
    [].forEach.call(document.querySelectorAll('button.go'), function (go) { go.click(); });
    var rules = [].reduce.call(document.styleSheets, function (n, sheet) { return n + sheet.cssRules.length; }, 0);
    var pre = document.body.appendChild(document.createElement('pre'));
    pre.id = 'probe';
    pre.textContent = JSON.stringify({ran: ran, strange: Object.keys(strange), handlers: handlers,
      scripts: document.scripts.length, styles: document.querySelectorAll('style').length, rules: rules,
      lang: document.documentElement.lang, hidden: getComputedStyle(document.body).display === 'none',
      opened: opened});
  });
})();
</script>
)JS";

std::string Probe(const std::string& page, const Sandbox& folder) {
  WriteFile(folder / "page.html", kProbe + page);
  const std::string dom = DumpDom(folder / "page.html", folder / "profile", 1000);
  const std::size_t start = dom.find("<pre id=\"probe\">");
  if (start == std::string::npos) return "no probe output in: " + dom.substr(0, 3000);
  std::string json = dom.substr(start + 16, dom.find("</pre>", start) - start - 16);
  for (auto [entity, text] : {std::pair{"&lt;", "<"}, std::pair{"&gt;", ">"}, std::pair{"&amp;", "&"}}) {
    for (std::size_t at; (at = json.find(entity)) != std::string::npos;) json.replace(at, std::strlen(entity), text);
  }
  return json;
}

struct HostileOptionsCase {
  const char* name;
  OutputFormat format;
  bool webPage;
  std::string expected;  // the probe's findings
};

class HostileOptionsTest : public testing::TestWithParam<HostileOptionsCase> {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kChromium)) GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh --test)";
  }
  Sandbox folder_;
};

TEST_P(HostileOptionsTest, NothingIsAdded) {
  ConversionOptions options;
  options.modern = true;
  options.format = GetParam().format;
  options.webPage = GetParam().webPage;
  options.goButton = true;
  options.centre = true;
  options.headerRow = true;
  options.dateText = "DATE";
  options.formId = "1\"><script>alert('id')</script>";
  options.fontFace = "x\"; } body { display: none } </style><script>alert('face')</script>";
  options.fontColor = "red; } body { display: none";
  options.fontSize = "3; } body { display: none";
  options.bgColor = "#fff</style><script>alert('bg')</script>";
  options.textColor = "expression(alert('text'))";
  options.bgImage = "javascript:alert('image')\"); } body { display: none } x { a: url(\"";
  options.language = "en\" onmouseover=\"alert('lang')";
  options.target = "x');alert('target');//\"><script>alert('target')</script>";
  options.title = "</title><script>alert('title')</script><img src=x onerror=alert('title')>";
  options.footer = "<a href=\"javascript:alert('footer')\">x</a></footer><style>body{display:none}</style>";
  std::string text;
  for (const std::string& line : kHostileLines) text += line + "\n";
  EXPECT_EQ(Probe(ConvertText(text, options).document, folder_), GetParam().expected);
}

// The page's own 20 rules (default colours: the hostile ones are refused), and nothing more.
const std::string kPage = R"("strange":[],"handlers":[],"scripts":2,"styles":1,"rules":20,"lang":"en","hidden":false,)";
const std::string kFragment = R"("strange":[],"handlers":[],"scripts":2,"styles":0,"rules":0,"lang":"","hidden":false,)";
const std::string kPageWithoutScript = R"("strange":[],"handlers":[],"scripts":1,"styles":1,"rules":20,"lang":"en","hidden":false,)";
const std::string kOpened = R"("opened":[["x');alert('target');//\"><script>alert('target')</script>","noopener"]]})";

INSTANTIATE_TEST_SUITE_P(
    Formats, HostileOptionsTest,
    testing::Values(
        HostileOptionsCase{"Smart", OutputFormat::Smart, true, R"({"ran":[],)" + kPageWithoutScript + R"("opened":[]})"},
        HostileOptionsCase{"Table", OutputFormat::HtmlTable, true, R"({"ran":[],)" + kPageWithoutScript + R"("opened":[]})"},
        HostileOptionsCase{"SelectionBox", OutputFormat::SelectionBox, true, R"({"ran":[],)" + kPage + kOpened},
        HostileOptionsCase{"SelectionBoxFragment", OutputFormat::SelectionBox, false, R"({"ran":[],)" + kFragment + kOpened}),
    [](const testing::TestParamInfo<HostileOptionsCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scrivane
