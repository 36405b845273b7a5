// The option snapshot taken from the form state.
#include <gtest/gtest.h>

#include "conversion.h"

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
  EXPECT_EQ(FormatAt(6), OutputFormat::Smart);
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

}  // namespace
}  // namespace scrivane
