// Hostile text in a real browser. A corpus of well-known script-injection strings
// (tags, event handlers, script addresses wherever the link rules look, entity
// tricks, quotes breaking out of attributes) is converted in every format, and each
// page is opened in headless Chromium behind a probe that runs before the content:
// it hooks what injected script would call, clicks every link, presses the Go
// button on every option and fires every handler. Nothing may run, and the page
// must show the hostile text as text.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "chromium.h"
#include "convert_helpers.h"
#include "hostile_lines.h"

namespace scrivane {
namespace {

using testing_support::ConvertText;
using testing_support::DumpDom;
using testing_support::Fragment;
using testing_support::kHostileLines;
using testing_support::kChromium;
using testing_support::Sandbox;
using testing_support::WriteFile;


// A string as a JSON (and so JavaScript) literal that cannot end the script element.
std::string JsonString(const std::string& text) {
  std::string json = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json.push_back('\\');
      json.push_back(c);
    } else if (byte < 0x20 || c == '<' || c == '>' || c == '&') {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      json.append(escape);
    } else {
      json.push_back(c);
    }
  }
  return json + "\"";
}

// Runs before the page's own content. It hooks what injected script would call
// and records any call (sorted); at load it lists the page's tags, scripts, handlers and
// script addresses, checks that every line shows as text (`expected`, or null),
// then clicks every link (letting only script addresses through), presses Go on
// every option and fires every handler but Go's. Its findings end up as JSON in
// <pre id="probe">: the verdict on one line, the counts of what it did on the next.
constexpr const char* kProbe = R"JS(<SCRIPT>
(function () {
  var expected = EXPECTED;
  var ran = [], errors = [], opened = [], clicked = 0, pressed = 0, verdict = null;
  function note(what) { ran.push(what); report(); }
  ['alert', 'confirm', 'prompt', 'print'].forEach(function (name) {
    window[name] = function () { note(name + '(' + [].slice.call(arguments).join(',') + ')'); };
  });
  window.fetch = function (u) { note('fetch ' + u); return new Promise(function () {}); };
  XMLHttpRequest.prototype.open = function (m, u) { note('xhr ' + u); };
  navigator.sendBeacon = function (u) { note('beacon ' + u); return true; };
  document.write = document.writeln = function (t) { note('write ' + t); };
  window.open = function (url, target) { opened.push([String(url), String(target)]); report(); return null; };
  window.addEventListener('error', function (e) { errors.push(String(e.message)); report(); });
  function scripted(url) {
    try { return /^(javascript|vbscript|data):$/.test(new URL(url, location.href).protocol); }
    catch (e) { return false; }
  }
  function report() {
    if (!verdict) return;
    verdict.ran = ran.slice().sort();
    verdict.errors = errors;
    verdict.scriptOpened = opened.filter(function (o) { return scripted(o[0]); });
    var targets = {};
    opened.forEach(function (o) { targets[o[1]] = 1; });
    verdict.targets = Object.keys(targets);
    var pre = document.getElementById('probe') || document.body.appendChild(document.createElement('pre'));
    pre.id = 'probe';
    pre.textContent = JSON.stringify(verdict) + '\n' + JSON.stringify({clicked: clicked, pressed: pressed});
  }
  window.addEventListener('load', function () {
    var allowed = ' HTML HEAD TITLE META BODY CENTER FONT B BR HR P PRE UL OL LI TABLE TBODY TR TD FORM' +
                  ' SELECT OPTION INPUT A SCRIPT ';
    var strange = {}, handlers = [];
    [].forEach.call(document.querySelectorAll('*'), function (el) {
      if (allowed.indexOf(' ' + el.tagName + ' ') < 0) strange[el.tagName] = 1;
      [].forEach.call(el.attributes, function (at) {
        if (at.name.slice(0, 2) === 'on') handlers.push(el.tagName + '.' + at.name);
      });
    });
    var shown = document.body.textContent.replace(/\s+/g, ' ');
    verdict = {
      ran: [], errors: [],
      strangeTags: Object.keys(strange),
      scripts: document.scripts.length,
      handlers: handlers,
      scriptLinks: [].filter.call(document.links, function (a) { return scripted(a.href); })
                     .map(function (a) { return a.getAttribute('href'); }),
      scriptValues: [].filter.call(document.querySelectorAll('option'), function (o) { return scripted(o.value); })
                      .map(function (o) { return o.value; }),
      missing: expected === null ? null : expected.filter(function (line) {
        return shown.indexOf(line.replace(/\s+/g, ' ').trim()) < 0;
      }),
      scriptOpened: [], targets: []
    };
    document.addEventListener('click', function (e) {
      var a = e.target.closest && e.target.closest('a');
      if (a && !scripted(a.href)) e.preventDefault();
    }, true);
    [].forEach.call(document.links, function (a) { clicked++; a.click(); });
    [].forEach.call(document.querySelectorAll('select'), function (select) {
      var go = select.form && select.form.querySelector('input[value=Go]');
      for (var i = 0; go && i < select.options.length; i++) {
        select.selectedIndex = i;
        pressed++;
        go.click();
      }
    });
    [].forEach.call(document.querySelectorAll('*'), function (el) {
      [].forEach.call(el.attributes, function (at) {
        if (at.name.slice(0, 2) === 'on' && !(el.tagName === 'INPUT' && el.value === 'Go')) {
          el.dispatchEvent(new Event(at.name.slice(2)));
        }
      });
    });
    report();
  });
})();
</SCRIPT>
)JS";

struct ProbeResult {
  std::string verdict;  // the JSON verdict, or what went wrong
  int clicked = -1;
  int pressed = -1;
};

// Opens `page` behind the probe; `expectedLines` are the lines the page must show
// as text (none checked when empty).
ProbeResult Probe(const std::string& page, const std::vector<std::string>& expectedLines, const Sandbox& folder) {
  std::string expected = "null";
  if (!expectedLines.empty()) {
    expected = "[";
    for (const std::string& line : expectedLines) expected += (expected.size() > 1 ? "," : "") + JsonString(line);
    expected += "]";
  }
  std::string probe = kProbe;
  probe.replace(probe.find("EXPECTED"), std::strlen("EXPECTED"), expected);
  WriteFile(folder / "page.html", probe + page);
  const std::string dom = DumpDom(folder / "page.html", folder / "profile", 1000);
  ProbeResult result;
  const std::size_t start = dom.find("<pre id=\"probe\">");
  if (start == std::string::npos) {
    result.verdict = "no probe output in: " + dom.substr(0, 3000);
    return result;
  }
  std::string text = dom.substr(start + 16, dom.find("</pre>", start) - start - 16);
  for (auto [entity, character] : {std::pair{"&lt;", "<"}, std::pair{"&gt;", ">"}, std::pair{"&amp;", "&"}}) {
    for (std::size_t at; (at = text.find(entity)) != std::string::npos;) {
      text.replace(at, std::strlen(entity), character);
    }
  }
  const std::size_t newline = text.find('\n');
  result.verdict = text.substr(0, newline);
  std::smatch counts;
  const std::string rest = text.substr(newline + 1);
  if (std::regex_search(rest, counts, std::regex(R"(\"clicked\":(\d+),\"pressed\":(\d+))"))) {
    result.clicked = std::stoi(counts[1]);
    result.pressed = std::stoi(counts[2]);
  }
  return result;
}

// The verdict of a page where nothing ran and nothing hostile was found.
std::string CleanVerdict(bool goButton, bool textChecked, const std::string& targets) {
  return std::string(R"({"ran":[],"errors":[],"strangeTags":[],"scripts":1,"handlers":[)") +
         (goButton ? R"("INPUT.onclick")" : "") + R"(],"scriptLinks":[],"scriptValues":[],"missing":)" +
         (textChecked ? "[]" : "null") + R"(,"scriptOpened":[],"targets":[)" + targets + "]}";
}

class InjectionBrowserTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kChromium)) GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh --test)";
  }
  Sandbox folder_;
};

// The probe itself sees injected script: a page written by hand with the
// classic injections reports every one of them.
TEST_F(InjectionBrowserTest, ProbeCatchesRealInjections) {
  const std::string page =
      "<HTML><BODY><A HREF=\"javascript:alert('link')\">x</A><IMG SRC=\"x\" onerror=\"alert('image')\">"
      "<DIV onclick=\"alert('div')\">d</DIV><SCRIPT>prompt('inline')</SCRIPT>"
      "<FORM NAME=\"F\"><SELECT NAME=\"S\"><OPTION VALUE=\"javascript:alert('option')\">o</OPTION></SELECT>"
      "<INPUT TYPE=\"Button\" VALUE=\"Go\" onClick=\"window.open(document.F.S.value,'t')\"></FORM></BODY></HTML>";
  const ProbeResult result = Probe(page, {"x", "not on the page"}, folder_);
  EXPECT_EQ(result.verdict,
            R"J({"ran":["alert(div)","alert(image)","alert(image)","alert(link)","prompt(inline)"],"errors":[],)J"
            R"J("strangeTags":["IMG","DIV"],"scripts":2,"handlers":["IMG.onerror","DIV.onclick","INPUT.onclick"],)J"
            R"J("scriptLinks":["javascript:alert('link')"],"scriptValues":["javascript:alert('option')"],)J"
            R"J("missing":["not on the page"],"scriptOpened":[["javascript:alert('option')","t"]],"targets":["t"]})J");
  EXPECT_EQ(result.clicked, 1);
  EXPECT_EQ(result.pressed, 1);
}

struct HostilePage {
  const char* name;
  OutputFormat format;
  void (*configure)(ConversionOptions& options);
  bool goButton;
  std::string targets;  // the targets Go opened with, as JSON strings
};

class HostileTextTest : public InjectionBrowserTest, public testing::WithParamInterface<HostilePage> {};

TEST_P(HostileTextTest, NothingRunsAndTheTextShows) {
  const HostilePage& c = GetParam();
  ConversionOptions options = Fragment(c.format);
  options.webPage = true;
  options.title = "Hostile text";
  options.charSet = "utf-8";
  options.goButton = c.goButton;
  options.target = "_blank";
  options.separator = "comma";
  options.listType = "ordered";
  c.configure(options);
  std::string text;
  for (const std::string& line : kHostileLines) text += line + "\n";
  const auto converted = ConvertText(text, options);
  ASSERT_TRUE(converted.result.delivered);

  const bool lineFormat = c.format != OutputFormat::HtmlTable && c.format != OutputFormat::SelectionBox;
  const ProbeResult result = Probe(converted.document, lineFormat ? kHostileLines : std::vector<std::string>{}, folder_);
  EXPECT_EQ(result.verdict, CleanVerdict(c.goButton, lineFormat, c.targets));
  if (options.links.changeWWW && c.format != OutputFormat::SelectionBox) {
    EXPECT_GT(result.clicked, 5);  // the safe links were there and clicked
  }
  if (c.goButton) {
    EXPECT_GT(result.pressed, 5);
  }
}

void Unchanged(ConversionOptions&) {}

INSTANTIATE_TEST_SUITE_P(
    Formats, HostileTextTest,
    testing::Values(
        HostilePage{"Smart", OutputFormat::Smart, Unchanged, false, ""},
        HostilePage{"SmartWithoutLinkOptions", OutputFormat::Smart,
                    [](ConversionOptions& o) { o.links = {false, false, false, false}; }, false, ""},
        HostilePage{"SmartFragment", OutputFormat::Smart, [](ConversionOptions& o) { o.webPage = false; }, false, ""},
        HostilePage{"Linefeeds", OutputFormat::OriginalLinefeeds, [](ConversionOptions& o) { o.centre = true; }, false,
                    ""},
        HostilePage{"Preformatted", OutputFormat::OriginalFormat, Unchanged, false, ""},
        HostilePage{"List", OutputFormat::HtmlList, Unchanged, false, ""},
        HostilePage{"TableByComma", OutputFormat::HtmlTable, Unchanged, false, ""},
        HostilePage{"TableByTab", OutputFormat::HtmlTable, [](ConversionOptions& o) { o.separator = "tab"; }, false,
                    ""},
        HostilePage{"TableBySemicolon", OutputFormat::HtmlTable,
                    [](ConversionOptions& o) { o.separator = "semi-colon"; }, false, ""},
        HostilePage{"TableByTypedText", OutputFormat::HtmlTable, [](ConversionOptions& o) { o.separator = "<"; },
                    false, ""},
        HostilePage{"SelectionBoxWithGo", OutputFormat::SelectionBox,
                    [](ConversionOptions& o) { o.links.removePunctuation = false; }, true, R"("_blank")"},
        HostilePage{"SelectionBoxWithHostileTarget", OutputFormat::SelectionBox,
                    [](ConversionOptions& o) { o.target = "x');alert('target');//\"><script>alert(1)</script>"; },
                    true, R"("x');alert('target');//\"><script>alert(1)</script>")"},
        HostilePage{"HostilePageFields", OutputFormat::Smart,
                    [](ConversionOptions& o) {
                      o.fontFace = "\"><script>alert('face')</script>";
                      o.fontColor = "red\" onmouseover=\"alert(1)";
                      o.fontSize = "3' onclick='alert(1)";
                      o.bgColor = "\" onload=\"alert('bg')";
                      o.textColor = "'><svg onload=alert(1)>";
                      o.centre = true;
                    },
                    false, ""}),
    [](const testing::TestParamInfo<HostilePage>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scrivane
