// The keys of the window's state: defaults of a first start, hand-written and bad
// values, the migration of an old store, the saves and the file histories.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "settings.h"
#include "settings_test_util.h"

namespace scrivane {
namespace {

using testing::TempIni;

// Every option, so a comparison failure names the option.
void ExpectSameForm(const FormState& actual, const FormState& expected, const std::string& context) {
  SCOPED_TRACE(context);
  for (const OptionRow& row : OptionTable()) {
    if (row.IsNumber()) {
      EXPECT_EQ(row.Number(actual), row.Number(expected)) << row.key;
    } else {
      EXPECT_EQ(row.Text(actual), row.Text(expected)) << row.key;
    }
  }
}

// Saves one option at once, as its control does, with `value` in an otherwise first-start form.
void SaveValue(AppSettings& settings, int FormState::*field, int value) {
  FormState form;
  form.*field = value;
  settings.SaveOption(*OptionFor(field), form);
}

FormState LoadFrom(const QString& path) {
  SettingsStore store(path);
  FormState form;
  form.title = "left over from before";  // loading replaces every field, present or not
  form.outFormat = 3;
  AppSettings(store).LoadForm(form);
  return form;
}

TEST(LoadForm, EmptyStoreGivesTheFirstWindow) {
  TempIni ini;
  const FormState form = LoadFrom(ini.Path());
  EXPECT_EQ(form.input, kClipboard);
  EXPECT_EQ(form.output, kClipboard);
  EXPECT_EQ(form.outFormat, 0);
  EXPECT_EQ(form.changeWWW, kChecked);
  EXPECT_EQ(form.changeFTP, kChecked);
  EXPECT_EQ(form.removePunctuation, kChecked);
  EXPECT_EQ(form.emailCheck, kChecked);
  EXPECT_EQ(form.centre, kUnchecked);
  EXPECT_EQ(form.goButton, kUnchecked);
  EXPECT_EQ(form.webPage, kChecked);
  EXPECT_EQ(form.title, "Converted by Scrivane");
  EXPECT_EQ(form.footer, "Enter your footer here");
  for (const std::string* text : {&form.fontFace, &form.fontSize, &form.fontColor, &form.bgColor,
                                  &form.textColor, &form.bgImage, &form.charSet}) {
    EXPECT_EQ(*text, "");
  }
  EXPECT_EQ(form.separator, "comma");
  EXPECT_EQ(form.listType, "Unordered");
  EXPECT_EQ(form.target, "parent");

  SettingsStore store(ini.Path());
  const AppSettings settings(store);
  EXPECT_EQ(settings.LoadPosition().left, std::nullopt);
  EXPECT_EQ(settings.LoadPosition().top, std::nullopt);
  EXPECT_EQ(settings.LoadHistory(true), std::vector<std::string>(kHistorySlots));
  EXPECT_EQ(settings.LoadHistory(false), std::vector<std::string>(kHistorySlots));
  EXPECT_TRUE(ini.Read().isEmpty());  // reading creates nothing
}

TEST(LoadForm, HandWrittenFileFillsEveryField) {
  TempIni ini;
  ini.Write(
      "[General]\nInput=1\nOutput=1\nOutFormat=4\nChangeWWW=0\nChangeFTP=2\nRemovePunctuation=0\n"
      "EmailCheck=0\nCentre=1\nGoButton=2\nWebPage=0\nTitle=My notes, 2024\n"
      "Footer=\"<HR>\nMade by me\"\nFontFace=Times New Roman\nFontSize=+1\nFontColor=#FF0000\n"
      "BGColor=white\nTextColor=black\nBGImage=back ground.png\nCharSet=utf-8\nSeparator=|\n"
      "ListType=Ordered\nTarget=_blank\nPositionLeft=-300\nPositionTop=2250.5\n"
      "[Files]\nIn0=/home/me/b.txt\nIn1=/home/me/a, b.txt\nOut0=/home/me/b.txt.html\nOut4=\n");
  FormState expected;
  expected.input = kFile;
  expected.output = kFile;
  expected.outFormat = 4;
  expected.changeWWW = kUnchecked;
  expected.changeFTP = kGrey;
  expected.removePunctuation = kUnchecked;
  expected.emailCheck = kUnchecked;
  expected.centre = kChecked;
  expected.goButton = kGrey;
  expected.webPage = kUnchecked;
  expected.title = "My notes, 2024";
  expected.footer = "<HR>\nMade by me";
  expected.fontFace = "Times New Roman";
  expected.fontSize = "+1";
  expected.fontColor = "#FF0000";
  expected.bgColor = "white";
  expected.textColor = "black";
  expected.bgImage = "back ground.png";
  expected.charSet = "utf-8";
  expected.separator = "|";
  expected.listType = "Ordered";
  expected.target = "_blank";
  ExpectSameForm(LoadFrom(ini.Path()), expected, "hand-written");

  SettingsStore store(ini.Path());
  const AppSettings settings(store);
  EXPECT_EQ(settings.LoadPosition().left, -300.0);
  EXPECT_EQ(settings.LoadPosition().top, 2250.5);
  EXPECT_EQ(settings.LoadHistory(true), (std::vector<std::string>{"/home/me/b.txt", "/home/me/a, b.txt", "", "", ""}));
  EXPECT_EQ(settings.LoadHistory(false), (std::vector<std::string>{"/home/me/b.txt.html", "", "", "", ""}));
}

TEST(LoadForm, BadValuesReadAsMissing) {
  struct Case {
    const char* line;
    int FormState::*field;
    int expected;
  };
  const FormState d;
  const Case cases[] = {
      {"Input=2", &FormState::input, d.input},
      {"Input=-1", &FormState::input, d.input},
      {"Input=True", &FormState::input, d.input},
      {"Input=1.5", &FormState::input, d.input},
      {"Input=", &FormState::input, d.input},
      {"Output=7", &FormState::output, d.output},
      {"Output=one", &FormState::output, d.output},
      {"OutFormat=7", &FormState::outFormat, d.outFormat},
      {"OutFormat=-1", &FormState::outFormat, d.outFormat},
      {"OutFormat=4x", &FormState::outFormat, d.outFormat},
      {"OutFormat=99999999999999999999", &FormState::outFormat, d.outFormat},
      {"ChangeWWW=3", &FormState::changeWWW, d.changeWWW},
      {"ChangeFTP=-1", &FormState::changeFTP, d.changeFTP},
      {"RemovePunctuation=yes", &FormState::removePunctuation, d.removePunctuation},
      {"EmailCheck=1,0", &FormState::emailCheck, d.emailCheck},
      {"Centre=9", &FormState::centre, d.centre},
      {"GoButton=0x1", &FormState::goButton, d.goButton},
      {"WebPage=", &FormState::webPage, d.webPage},
      // Sound values around the bad ones still read.
      {"Input= 1 ", &FormState::input, kFile},
      {"OutFormat=5", &FormState::outFormat, 5},
      {"OutFormat=+4", &FormState::outFormat, 4},
      {"ChangeFTP=2", &FormState::changeFTP, kGrey},
      {"WebPage=0", &FormState::webPage, kUnchecked},
  };
  for (const Case& c : cases) {
    TempIni ini;
    ini.Write(QByteArray("[General]\n") + c.line + "\n");
    EXPECT_EQ(LoadFrom(ini.Path()).*c.field, c.expected) << c.line;
  }
}

TEST(LoadPosition, AcceptsDecimalNumbersOnly) {
  struct Case {
    const char* text;
    std::optional<double> expected;
  };
  const Case cases[] = {
      {"2250", 2250.0}, {"-300", -300.0}, {"1.5e3", 1500.0}, {" 12 ", 12.0}, {"abc", std::nullopt},
      {"", std::nullopt}, {"nan", std::nullopt}, {"inf", std::nullopt}, {"1e300", std::nullopt},
      {"12,5", std::nullopt},
  };
  for (const Case& c : cases) {
    TempIni ini;
    ini.Write(QByteArray("[General]\nPositionLeft=") + c.text + "\nPositionTop=" + c.text + "\n");
    SettingsStore store(ini.Path());
    const WindowPosition position = AppSettings(store).LoadPosition();
    EXPECT_EQ(position.left, c.expected) << c.text;
    EXPECT_EQ(position.top, c.expected) << c.text;
  }
}

TEST(LoadForm, UnusableFilesGiveDefaults) {
  const QByteArray contents[] = {
      QByteArray(300000, '\xFF'),
      QByteArray("\0\0\0Input=1\0\n", 12),
      QByteArray(5 * 1024 * 1024, '\n') + "[General]\nInput=1\nTitle=x\n",
  };
  for (const QByteArray& content : contents) {
    TempIni ini;
    ini.Write(content);
    ExpectSameForm(LoadFrom(ini.Path()), FormState{}, "content of " + std::to_string(content.size()) + " bytes");
  }
}

TEST(Migration, OldFlagDiscardsGeneralAndKeepsFiles) {
  struct Case {
    const char* line;
    bool migrated;
  };
  const Case cases[] = {{"Input=True", true},     {"Input=False", true},  {"Input=1", false},
                        {"Input=0", false},       {"Input=true", false},  {"Input=FALSE", false},
                        {"Input=\"True \"", false}, {"NoInput=True", false}};
  for (const Case& c : cases) {
    TempIni ini;
    ini.Write(QByteArray("[General]\nTitle=Old title\nOutFormat=3\n") + c.line + "\n[Files]\nIn0=/old.txt\n");
    {
      SettingsStore store(ini.Path());
      EXPECT_EQ(AppSettings(store).MigrateOldStore(), c.migrated) << c.line;
    }
    const FormState form = LoadFrom(ini.Path());
    EXPECT_EQ(form.title, c.migrated ? FormState{}.title : "Old title") << c.line;
    EXPECT_EQ(form.outFormat, c.migrated ? 0 : 3) << c.line;
    SettingsStore store(ini.Path());
    EXPECT_EQ(AppSettings(store).LoadHistory(true)[0], "/old.txt") << c.line;
  }
}

TEST(Migration, UntouchedStoreIsNotRewritten) {
  TempIni ini;
  const QByteArray text = "[General]\nInput=1\nTitle=a,b\n";
  ini.Write(text);
  {
    SettingsStore store(ini.Path());
    AppSettings(store).MigrateOldStore();
  }
  EXPECT_EQ(ini.Read(), text);
}

// Records every write, in order, and passes it on.
class RecordingStore : public SettingsStore {
 public:
  using SettingsStore::SettingsStore;
  void Write(const QString& section, const QString& key, const QString& value) override {
    writes.emplace_back(section.toStdString(), key.toStdString(), value.toStdString());
    SettingsStore::Write(section, key, value);
  }
  std::vector<std::tuple<std::string, std::string, std::string>> writes;
};

using Writes = std::vector<std::tuple<std::string, std::string, std::string>>;

TEST(SaveAtOnce, WritesOneKeyEach) {
  struct Case {
    const char* name;
    std::function<void(AppSettings&)> save;
    Writes expected;
  };
  const Case cases[] = {
      {"input file", [](AppSettings& s) { SaveValue(s, &FormState::input, kFile); }, {{"General", "Input", "1"}}},
      {"output clipboard", [](AppSettings& s) { SaveValue(s, &FormState::output, kClipboard); }, {{"General", "Output", "0"}}},
      {"format", [](AppSettings& s) { SaveValue(s, &FormState::outFormat, 4); }, {{"General", "OutFormat", "4"}}},
      {"www unchecked", [](AppSettings& s) { SaveValue(s, &FormState::changeWWW, kUnchecked); }, {{"General", "ChangeWWW", "0"}}},
      {"ftp checked", [](AppSettings& s) { SaveValue(s, &FormState::changeFTP, kChecked); }, {{"General", "ChangeFTP", "1"}}},
      {"punctuation grey", [](AppSettings& s) { SaveValue(s, &FormState::removePunctuation, kGrey); }, {{"General", "RemovePunctuation", "1"}}},
      {"email", [](AppSettings& s) { SaveValue(s, &FormState::emailCheck, kChecked); }, {{"General", "EmailCheck", "1"}}},
      {"table separator", [](AppSettings& s) { EXPECT_TRUE(s.SaveOptionText(OutputFormat::HtmlTable, "|")); }, {{"General", "Separator", "|"}}},
      {"list type", [](AppSettings& s) { EXPECT_TRUE(s.SaveOptionText(OutputFormat::HtmlList, "Ordered")); }, {{"General", "ListType", "Ordered"}}},
      {"target", [](AppSettings& s) { EXPECT_TRUE(s.SaveOptionText(OutputFormat::SelectionBox, "_top")); }, {{"General", "Target", "_top"}}},
      {"smart stores nothing", [](AppSettings& s) { EXPECT_FALSE(s.SaveOptionText(OutputFormat::Smart, "|")); }, {}},
      {"original format stores nothing", [](AppSettings& s) { EXPECT_FALSE(s.SaveOptionText(OutputFormat::OriginalFormat, "|")); }, {}},
  };
  for (const Case& c : cases) {
    TempIni ini;
    RecordingStore store(ini.Path());
    AppSettings settings(store);
    c.save(settings);
    EXPECT_EQ(store.writes, c.expected) << c.name;
  }
}

TEST(SaveAtOnce, FtpClickedTwiceIsStoredAtOnce) {
  TempIni ini;
  SettingsStore store(ini.Path());
  AppSettings settings(store);
  SaveValue(settings, &FormState::changeFTP, kUnchecked);
  SaveValue(settings, &FormState::changeFTP, kChecked);
  store.Sync();
  EXPECT_TRUE(ini.Read().contains("\nChangeFTP=1\n")) << ini.Read().constData();
}

FormState ExitForm() {
  FormState form;
  form.webPage = kUnchecked;
  form.title = "Notes, mine";
  form.centre = kGrey;
  form.goButton = kChecked;
  form.fontFace = " Arial ";
  form.fontSize = "3";
  form.fontColor = "#000080";
  form.footer = "<HR>\nfoot";
  form.bgColor = "#FFFFFF";
  form.textColor = "black";
  form.bgImage = "bg.png";
  form.charSet = "utf-8";
  return form;
}

TEST(SaveAtExit, WritesEveryKeyInOrder) {
  TempIni ini;
  RecordingStore store(ini.Path());
  const std::vector<std::string> in = {"c.txt", "b.txt", "a.txt", "b.txt", "x.txt", "y.txt", "z.txt"};
  const std::vector<std::string> out = {"c.html", ""};
  AppSettings(store).SaveAtExit(ExitForm(), in, out, 2250.0, -300.5);
  const Writes expected = {
      {"Files", "In0", "c.txt"},          {"Files", "Out0", "c.html"}, {"Files", "In1", "b.txt"},
      {"Files", "Out1", ""},              {"Files", "In2", "a.txt"},   {"Files", "Out2", ""},
      {"Files", "In3", "b.txt"},          {"Files", "Out3", ""},       {"Files", "In4", "x.txt"},
      {"Files", "Out4", ""},              {"General", "PositionTop", "2250"},
      {"General", "PositionLeft", "-300.5"}, {"General", "WebPage", "0"},
      {"General", "Title", "Notes, mine"}, {"General", "Centre", "2"}, {"General", "GoButton", "1"},
      {"General", "FontFace", " Arial "}, {"General", "FontSize", "3"}, {"General", "FontColor", "#000080"},
      {"General", "Footer", "<HR>\nfoot"}, {"General", "BGColor", "#FFFFFF"}, {"General", "TextColor", "black"},
      {"General", "BGImage", "bg.png"},   {"General", "CharSet", "utf-8"},
  };
  EXPECT_EQ(store.writes, expected);
}

TEST(SaveAtExit, NextStartShowsWhatWasSaved) {
  TempIni ini;
  const FormState saved = ExitForm();
  {
    SettingsStore store(ini.Path());
    AppSettings(store).SaveAtExit(saved, {"/a b.txt", "/é.txt"}, {"/a b.txt.html"}, 1234.0, 5678.0);
  }
  FormState expected;
  expected.webPage = saved.webPage;
  expected.title = saved.title;
  expected.centre = saved.centre;
  expected.goButton = saved.goButton;
  expected.fontFace = saved.fontFace;
  expected.fontSize = saved.fontSize;
  expected.fontColor = saved.fontColor;
  expected.footer = saved.footer;
  expected.bgColor = saved.bgColor;
  expected.textColor = saved.textColor;
  expected.bgImage = saved.bgImage;
  expected.charSet = saved.charSet;
  ExpectSameForm(LoadFrom(ini.Path()), expected, "after exit");
  SettingsStore store(ini.Path());
  const AppSettings settings(store);
  EXPECT_EQ(settings.LoadPosition().top, 1234.0);
  EXPECT_EQ(settings.LoadPosition().left, 5678.0);
  EXPECT_EQ(settings.LoadHistory(true), (std::vector<std::string>{"/a b.txt", "/é.txt", "", "", ""}));
  EXPECT_EQ(settings.LoadHistory(false), (std::vector<std::string>{"/a b.txt.html", "", "", "", ""}));
}

TEST(History, InsertsNewNamesAtTheTop) {
  struct Case {
    const char* name;
    std::vector<std::string> before;
    std::vector<std::string> converted;  // the box's text after each conversion
    std::vector<std::string> after;
  };
  const Case cases[] = {
      {"a, b, a again: once, at the top", {"old", "", "", "", ""}, {"a.txt", "b.txt", "a.txt"},
       {"a.txt", "b.txt", "old", "", "", "", ""}},
      {"an older name moves up", {"a.txt", "b.txt", "c.txt", "", ""}, {"c.txt"}, {"c.txt", "a.txt", "b.txt", "", ""}},
      {"same name twice", {"a.txt", "", "", "", ""}, {"a.txt", "a.txt"}, {"a.txt", "", "", "", ""}},
      {"case matters", {"a.txt"}, {"A.txt"}, {"A.txt", "a.txt"}},
      {"empty box names no file", {"a.txt", "", "", "", ""}, {""}, {"a.txt", "", "", "", ""}},
      {"empty list", {}, {"a.txt"}, {"a.txt"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> history = c.before;
    for (const std::string& name : c.converted) InsertIntoHistory(history, name);
    EXPECT_EQ(history, c.after) << c.name;
  }
}

TEST(History, SevenItemsSaveFive) {
  std::vector<std::string> history(kHistorySlots);
  for (const char* name : {"1", "2", "3", "4", "5", "6", "7"}) InsertIntoHistory(history, name);
  ASSERT_EQ(history.size(), 12u);
  TempIni ini;
  {
    SettingsStore store(ini.Path());
    AppSettings(store).SaveAtExit(FormState{}, history, history, 0, 0);
  }
  SettingsStore store(ini.Path());
  EXPECT_EQ(AppSettings(store).LoadHistory(true), (std::vector<std::string>{"7", "6", "5", "4", "3"}));
}

}  // namespace
}  // namespace scrivane
