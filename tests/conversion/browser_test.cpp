// Generated tables and link boxes opened in a real browser (headless Chromium):
// the DOM has the rows, cells and options we meant, and the Go button opens the
// chosen address in the chosen target.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "chromium.h"
#include "convert_helpers.h"

namespace scrivane {
namespace {

using testing_support::ConvertText;
using testing_support::DumpDom;
using testing_support::kChromium;
using testing_support::Fragment;
using testing_support::ReadFile;
using testing_support::Sandbox;
using testing_support::WriteFile;

// Appended to a copy of the page: records window.open, reads the DOM, selects the
// second option, presses Go, and leaves the findings as JSON in <pre id="probe">.
constexpr const char* kProbe = R"(<SCRIPT>
(function () {
  var opened = [];
  window.open = function (url, target) { opened.push([url, target]); return null; };
  var found = {};
  var table = document.getElementsByTagName('TABLE')[0];
  if (table) {
    found.rows = [].map.call(table.rows, function (row) {
      return [].map.call(row.cells, function (cell) { return cell.textContent; });
    });
    found.links = [].map.call(table.getElementsByTagName('A'), function (a) { return a.getAttribute('href'); });
  }
  var select = document.getElementsByTagName('SELECT')[0];
  if (select) {
    found.options = [].map.call(select.options, function (o) { return [o.value, o.text]; });
    select.selectedIndex = 1;
    var go = document.querySelector('input[value=Go]');
    if (go) go.click();
    found.opened = opened;
  }
  var pre = document.createElement('pre');
  pre.id = 'probe';
  pre.textContent = JSON.stringify(found);
  document.body.appendChild(pre);
})();
</SCRIPT>
)";

// Opens the page in headless Chromium and returns the probe's JSON findings.
std::string Probe(const std::string& page, const Sandbox& folder) {
  std::string probed = page;
  const std::size_t end = probed.rfind("</BODY>");
  probed.insert(end == std::string::npos ? probed.size() : end, kProbe);
  WriteFile(folder / "page.html", probed);
  const std::string dom = DumpDom(folder / "page.html", folder / "profile");
  const std::size_t start = dom.find("<pre id=\"probe\">");
  if (start == std::string::npos) return "no probe output in: " + dom.substr(0, 2000);
  const std::size_t stop = dom.find("</pre>", start);
  std::string json = dom.substr(start + 16, stop - start - 16);
  for (auto [entity, text] : {std::pair{"&quot;", "\""}, std::pair{"&lt;", "<"}, std::pair{"&gt;", ">"},
                              std::pair{"&amp;", "&"}}) {
    for (std::size_t at; (at = json.find(entity)) != std::string::npos;) json.replace(at, std::strlen(entity), text);
  }
  return json;
}

class BrowserTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kChromium)) GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh --test)";
  }
  Sandbox folder_;
};

ConversionOptions WebPage(OutputFormat format) {
  ConversionOptions options = Fragment(format);
  options.webPage = true;
  options.title = "Browser check";
  return options;
}

TEST_F(BrowserTest, TableRowsAndCells) {
  ConversionOptions options = WebPage(OutputFormat::HtmlTable);
  options.separator = "comma";
  const std::string page =
      ConvertText("Name,Site,Note\n\n\"Smith, J\",www.smith.example.org,\"said \"\"hi\"\"\"\nBo & Co,http://bo.example/x?a=1&b=2,<none>\n",
                  options)
          .document;
  EXPECT_EQ(Probe(page, folder_),
            R"({"rows":[["Name","Site","Note"],["Smith, J","www.smith.example.org","said \"hi\""],)"
            R"(["Bo & Co","http://bo.example/x?a=1&b=2","<none>"]],)"
            R"("links":["http://www.smith.example.org","http://bo.example/x?a=1&b=2"]})");
}

TEST_F(BrowserTest, SelectionBoxGoButtonOpensTheChosenAddress) {
  ConversionOptions options = WebPage(OutputFormat::SelectionBox);
  options.goButton = true;
  options.target = "_blank";
  options.formId = "123456789";
  const std::string page =
      ConvertText("Our home page http://home.example.org/\nnothing here\nwww.second.example.net\n"
                  "write to us: mail@example.org\nBad javascript://x%0Aalert(1)\n",
                  options)
          .document;
  EXPECT_EQ(Probe(page, folder_),
            R"({"options":[["http://home.example.org/","Our home page"],)"
            R"(["http://www.second.example.net","www.second.example.net"],)"
            R"(["mailto:mail@example.org","write to us:"]],)"
            R"("opened":[["http://www.second.example.net","_blank"]]})");
}

TEST_F(BrowserTest, TwoBoxesOnOnePageDoNotClash) {
  ConversionOptions first = Fragment(OutputFormat::SelectionBox);
  first.goButton = true;
  first.target = "one";
  first.formId = "111";
  ConversionOptions second = first;
  second.target = "two";
  second.formId = "222";
  const std::string page = "<HTML><BODY>" + ConvertText("x http://a.example/\ny http://b.example/", first).document +
                           ConvertText("z http://c.example/\nw http://d.example/", second).document + "</BODY></HTML>";
  // The probe presses the first Go button after choosing the first box's second option.
  EXPECT_EQ(Probe(page, folder_),
            R"({"options":[["http://a.example/","x"],["http://b.example/","y"]],)"
            R"("opened":[["http://b.example/","one"]]})");
}

}  // namespace
}  // namespace scrivane
