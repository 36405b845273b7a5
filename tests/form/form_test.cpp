// The option table and the option snapshot taken from the form state.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

#include "form.h"
#include "page_plan.h"

namespace scrivane {
namespace {

struct SnapshotCase {
  const char* name;
  void (*change)(FormState&);
  void (*check)(const ConversionOptions&);
};

class ReadFormOptionsTest : public testing::TestWithParam<SnapshotCase> {};

TEST_P(ReadFormOptionsTest, TakesTheFormsValues) {
  FormState form;
  GetParam().change(form);
  GetParam().check(ReadFormOptions(form));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadFormOptionsTest,
    testing::Values(
        SnapshotCase{"FirstStart", [](FormState&) {},
                     [](const ConversionOptions& o) {
                       EXPECT_EQ(o.format, OutputFormat::Smart);
                       EXPECT_TRUE(o.links.changeWWW && o.links.changeFTP && o.links.emailCheck &&
                                   o.links.removePunctuation);
                       EXPECT_TRUE(o.webPage);
                       EXPECT_FALSE(o.centre);
                       EXPECT_EQ(o.title, "Converted by Scrivane");
                       EXPECT_EQ(o.progName, "Scrivane");
                     }},
        SnapshotCase{"GreyIsNotTicked", [](FormState& f) { f.changeWWW = kGrey; f.webPage = kGrey; },
                     [](const ConversionOptions& o) {
                       EXPECT_FALSE(o.links.changeWWW);
                       EXPECT_FALSE(o.webPage);
                     }},
        SnapshotCase{"SelectionBoxDisablesPunctuation", [](FormState& f) { f.outFormat = 5; },
                     [](const ConversionOptions& o) {
                       EXPECT_EQ(o.format, OutputFormat::SelectionBox);
                       EXPECT_FALSE(o.links.removePunctuation);
                       EXPECT_TRUE(o.links.changeWWW);  // the ticks stay in force
                     }},
        SnapshotCase{"CentreForSmart", [](FormState& f) { f.centre = kChecked; },
                     [](const ConversionOptions& o) { EXPECT_TRUE(o.centre); }},
        SnapshotCase{"CentreForSelectionBox", [](FormState& f) { f.centre = kChecked; f.outFormat = 5; },
                     [](const ConversionOptions& o) { EXPECT_TRUE(o.centre); }},
        SnapshotCase{"NoCentreForPre", [](FormState& f) { f.centre = kChecked; f.outFormat = 2; },
                     [](const ConversionOptions& o) { EXPECT_FALSE(o.centre); }},
        SnapshotCase{"NoCentreForList", [](FormState& f) { f.centre = kChecked; f.outFormat = 3; },
                     [](const ConversionOptions& o) { EXPECT_FALSE(o.centre); }},
        SnapshotCase{"NoCentreForTable", [](FormState& f) { f.centre = kChecked; f.outFormat = 4; },
                     [](const ConversionOptions& o) { EXPECT_FALSE(o.centre); }},
        SnapshotCase{"TextsTrimmedOfSpaces",
                     [](FormState& f) {
                       f.fontFace = "  Times New Roman ";
                       f.bgColor = " #FFFFFF";
                       f.charSet = "utf-8  ";
                       f.title = " kept as typed ";
                     },
                     [](const ConversionOptions& o) {
                       EXPECT_EQ(o.fontFace, "Times New Roman");
                       EXPECT_EQ(o.bgColor, "#FFFFFF");
                       EXPECT_EQ(o.charSet, "utf-8");
                       EXPECT_EQ(o.title, " kept as typed ");
                     }},
        SnapshotCase{"OptionTexts", [](FormState& f) { f.separator = "|"; f.listType = "Ordered"; f.target = "_top"; },
                     [](const ConversionOptions& o) {
                       EXPECT_EQ(o.separator, "|");
                       EXPECT_EQ(o.listType, "Ordered");
                       EXPECT_EQ(o.target, "_top");
                     }}),
    [](const testing::TestParamInfo<SnapshotCase>& info) { return std::string(info.param.name); });

TEST(FormatAt, OutOfRangeIsSmart) {
  EXPECT_EQ(FormatAt(4), OutputFormat::HtmlTable);
  EXPECT_EQ(FormatAt(-1), OutputFormat::Smart);
  EXPECT_EQ(FormatAt(6), OutputFormat::Structured);
  EXPECT_EQ(FormatAt(7), OutputFormat::Smart);
}

TEST(OptionTextFor, TheRememberedTextOfTheFormat) {
  FormState form;
  form.separator = "tab";
  form.outFormat = 4;
  EXPECT_EQ(OptionTextFor(form), "tab");
  form.outFormat = 3;
  EXPECT_EQ(OptionTextFor(form), "Unordered");
  form.outFormat = 5;
  EXPECT_EQ(OptionTextFor(form), "parent");
  form.outFormat = 0;
  EXPECT_EQ(OptionTextFor(form), "");
}

// The option box of each format: its row, its caption, and values every one of which
// the engine takes (a list type it knows, a separator it reads as a named one).
TEST(OptionTextRow, OffersTheFormatsOwnValues) {
  struct OfferCase {
    OutputFormat format;
    std::string FormState::*field;  // null: the format has no option box
    std::string_view caption;
    std::vector<std::string_view> values;
  };
  const OfferCase cases[] = {
      {OutputFormat::Smart, nullptr, "", {}},
      {OutputFormat::OriginalLinefeeds, nullptr, "", {}},
      {OutputFormat::OriginalFormat, nullptr, "", {}},
      {OutputFormat::HtmlList, &FormState::listType, "List Type", {"Unordered", "Ordered"}},
      {OutputFormat::HtmlTable, &FormState::separator, "Input Separator", {"comma", "tab", "semi-colon"}},
      {OutputFormat::SelectionBox, &FormState::target, "Target", {"_blank", "_parent", "_self", "_top"}},
  };
  for (const OfferCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.format));
    const OptionRow* row = OptionTextRow(c.format);
    ASSERT_EQ(row, c.field == nullptr ? nullptr : OptionFor(c.field));
    if (row == nullptr) continue;
    EXPECT_EQ(row->caption, c.caption);
    EXPECT_EQ(std::vector<std::string_view>(row->offered.begin(), row->offered.end()), c.values);
    for (std::string_view value : row->offered) {
      if (c.format == OutputFormat::HtmlList) {
        EXPECT_NE(ListKindFor(value), ListKind::None) << value;
      } else if (c.format == OutputFormat::HtmlTable) {
        EXPECT_NE(SeparatorFor(value), value) << value;
      }
    }
  }
}

// Every key, option name and control is used once, and every default is a value of its option.
TEST(OptionTable, RowsAreConsistent) {
  std::set<std::string_view> keys, flags, controls;
  for (const OptionRow& row : OptionTable()) {
    SCOPED_TRACE(std::string(row.key));
    EXPECT_TRUE(keys.insert(row.key).second);
    for (std::string_view flag : {row.flag, row.offFlag}) {
      if (!flag.empty()) {
        EXPECT_TRUE(flags.insert(flag).second) << flag;
      }
    }
    if (!row.control.empty()) {
      EXPECT_TRUE(controls.insert(row.control).second);
    }
    // On-off options come in pairs; the others take a value.
    if (!row.flag.empty()) {
      EXPECT_EQ(row.IsCheck(), !row.offFlag.empty());
    }
    EXPECT_EQ(row.valueName.empty(), row.flag.empty() || row.IsCheck());
    FormState form;
    EXPECT_TRUE(TakeStoredText(row, DefaultText(row), form));
    EXPECT_EQ(OptionNamed(row.flag), row.flag.empty() ? nullptr : &row);
  }
}

struct ValueCase {
  const char* flag;
  const char* value;
  const char* refusal;  // "" when the value is taken
  const char* stored;   // the stored text afterwards
};

TEST(TakeNamedValue, ChecksAndTakesValues) {
  const ValueCase cases[] = {
      {"www", "false", "", "0"},
      {"www", "true", "", "1"},
      {"centre", "true", "", "1"},
      {"centre", "yes", "'yes' is neither true nor false", "0"},
      {"format", "TABLE", "", "4"},
      {"format", "html", "unknown format 'html' (smart, linefeeds, pre, list, table, select or structured)", "0"},
      {"list-type", "Ordered", "", "Ordered"},
      {"list-type", "numbered", "unknown list type 'numbered' (ordered or unordered)", "Unordered"},
      {"separator", "|", "", "|"},
      {"title", "<b>Mine</b>", "", "<b>Mine</b>"},
  };
  for (const ValueCase& c : cases) {
    const OptionRow* row = OptionNamed(c.flag);
    ASSERT_NE(row, nullptr) << c.flag;
    FormState form;
    EXPECT_EQ(TakeNamedValue(*row, c.value, form), c.refusal) << c.flag << " " << c.value;
    EXPECT_EQ(StoredText(*row, form), c.stored) << c.flag << " " << c.value;
  }
}

TEST(TakeStoredText, NumbersMustBeWholeAndInRange) {
  const OptionRow& format = *OptionFor(&FormState::outFormat);
  const OptionRow& grey = *OptionFor(&FormState::centre);
  struct Case {
    const OptionRow& row;
    const char* text;
    bool taken;
  };
  const Case cases[] = {{format, "5", true},   {format, " +4 ", true}, {format, "6", true},   {format, "7", false},  {format, "-1", false},
                        {format, "4x", false}, {format, "", false},    {format, "1e1", false}, {grey, "2", true},
                        {grey, "3", false},    {format, "99999999999999999999", false}};
  for (const Case& c : cases) {
    FormState form;
    EXPECT_EQ(TakeStoredText(c.row, c.text, form), c.taken) << c.row.key << "=" << c.text;
  }
}

TEST(LocaleLanguage, TagOfTheMessagesLocale) {
  struct Case {
    const char* all;
    const char* messages;
    const char* lang;
    const char* expected;
  };
  const Case cases[] = {
      {"", "", "de_CH.UTF-8", "de-CH"},      {"", "fr_FR@euro", "de_DE", "fr-FR"}, {"pt_BR", "", "de_DE", "pt-BR"},
      {"", "", "C.UTF-8", "en"},             {"", "", "POSIX", "en"},              {"", "", "", "en"},
      {"", "", "\"><script>", "en"},         {"", "", "sr_RS@latin", "sr-RS"},
  };
  for (const Case& c : cases) {
    setenv("LC_ALL", c.all, 1);
    setenv("LC_MESSAGES", c.messages, 1);
    setenv("LANG", c.lang, 1);
    EXPECT_EQ(LocaleLanguage(), c.expected) << c.all << "|" << c.messages << "|" << c.lang;
  }
}

TEST(StoredText, BoxesSavedAtOnceKeepNoGrey) {
  FormState form;
  form.changeFTP = kGrey;
  form.centre = kGrey;
  EXPECT_EQ(StoredText(*OptionFor(&FormState::changeFTP), form), "1");
  EXPECT_EQ(StoredText(*OptionFor(&FormState::centre), form), "2");
}

TEST(OptionApplies, OnlyWhereTheOptionChangesTheDocument) {
  using enum OutputFormat;
  struct Case {
    const char* flag;
    OutputFormat format;
    PageKind page;
    bool applies;
  };
  const Case cases[] = {
      {"list-type", HtmlList, PageKind::Classic, true},   {"list-type", HtmlTable, PageKind::Classic, false},
      {"separator", HtmlTable, PageKind::Modern, true},   {"separator", Smart, PageKind::Modern, false},
      {"target", SelectionBox, PageKind::Classic, true},  {"go-button", OriginalFormat, PageKind::Classic, false},
      {"centre", OriginalLinefeeds, PageKind::Classic, true}, {"centre", HtmlTable, PageKind::Classic, false},
      {"www", Smart, PageKind::Modern, true},             {"email", SelectionBox, PageKind::Modern, false},
      {"header-row", HtmlTable, PageKind::Modern, true},  {"header-row", HtmlTable, PageKind::Classic, false},
      {"new-tab", Smart, PageKind::Classic, false},       {"lang", OriginalFormat, PageKind::Modern, true},
      {"charset", Smart, PageKind::Modern, false},        {"charset", Smart, PageKind::Classic, true},
      {"title", SelectionBox, PageKind::Modern, true},    {"format", HtmlList, PageKind::Classic, true},
      {"contents", Structured, PageKind::Classic, true},  {"contents", Smart, PageKind::Modern, false},
      {"line-breaks", Structured, PageKind::Modern, true}, {"inline-marks", OriginalFormat, PageKind::Modern, false},
      {"www", Structured, PageKind::Classic, true},       {"centre", Structured, PageKind::Classic, false},
      {"title", Structured, PageKind::Classic, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OptionApplies(*OptionNamed(c.flag), c.format, c.page), c.applies) << c.flag;
  }
}

// The JSON names every command-line option with its help and default, and
// escapes what would end a script element or a string.
TEST(OptionTableJson, EveryOptionWithItsHelpAndDefault) {
  const std::string json = OptionTableJson();
  for (const OptionRow& row : OptionTable()) {
    if (row.flag.empty()) continue;
    EXPECT_NE(json.find("{\"flag\":\"" + std::string(row.flag) + "\",\"offFlag\":\"" + std::string(row.offFlag)),
              std::string::npos) << row.flag;
  }
  for (const char* part : {R"("help":"Make www. host names links (default).")", R"("default":"true")",
                           R"("default":"Converted by Scrivane")", R"("choices":["ordered","unordered"])",
                           R"({"flag":"select","name":"Links Selection Box"})", R"(rel=\"nofollow ugc\")",
                           R"("formats":["list"])", R"("page":"modern")", R"("localeDefault":true)"}) {
    EXPECT_NE(json.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(json.find('<'), std::string::npos);
}

}  // namespace
}  // namespace scrivane
