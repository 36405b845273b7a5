// Every row of the option table goes through the store, the command line and
// the window and comes back as it was: one row is all an option needs.
#include <QStringList>

#include "cli.h"
#include "ui_test_util.h"

namespace scrivane::testing {
namespace {

// A form in which every option holds a value other than its default.
FormState OtherValues() {
  FormState form;
  for (const OptionRow& row : OptionTable()) {
    if (row.IsNumber()) {
      const int highest = row.IsCheck() ? kChecked : row.highest;  // the user never greys a box
      row.Number(form) = (row.Number(form) + 1) % (highest + 1);
    } else {
      // A listed choice where there are choices, else text a user might well type.
      row.Text(form) = row.choices.empty() ? "x, \"y\"; #C0FFEE " + std::string(row.key) : "Ordered";
    }
  }
  return form;
}

// The command line that asks for `form`.
QStringList ArgumentsFor(const FormState& form) {
  QStringList arguments{QStringLiteral("scrivane-convert")};
  for (const OptionRow& row : OptionTable()) {
    if (row.flag.empty()) continue;
    const auto name = [](std::string_view flag) { return QStringLiteral("--") + QString::fromLatin1(flag.data(), flag.size()); };
    if (row.IsCheck()) {
      arguments << name(row.Number(form) == kChecked ? row.flag : row.offFlag);
    } else if (row.IsNumber()) {
      arguments << name(row.flag) + QLatin1Char('=') + QString::fromLatin1(row.choices[row.Number(form)].data());
    } else {
      arguments << name(row.flag) << QString::fromStdString(row.Text(form));
    }
  }
  return arguments;
}

void ExpectSameOptions(const FormState& actual, const FormState& expected, const char* path, bool commandLine) {
  for (const OptionRow& row : OptionTable()) {
    if (commandLine && row.flag.empty()) continue;  // chosen only in the window
    const std::string actualText = StoredText(row, actual), expectedText = StoredText(row, expected);
    EXPECT_EQ(actualText, expectedText) << row.key << " through " << path;
  }
}

class OptionRowsTest : public WindowTest {};

TEST_F(OptionRowsTest, EveryRowRoundTrips) {
  const FormState wanted = OtherValues();
  ExpectSameOptions(FormState{}, FormState{}, "nothing", false);

  // The store: saved at once or at exit, as each row says, then loaded by a new start.
  Start();
  for (const OptionRow& row : OptionTable()) {
    if (row.saved == SaveTime::AtOnce) settings_->SaveOption(row, wanted);
  }
  settings_->SaveAtExit(wanted, {}, {}, 0, 0);
  FormState loaded;
  settings_->LoadForm(loaded);
  ExpectSameOptions(loaded, wanted, "the store", false);

  // The command line.
  const ParsedCommand parsed = ParseConvertArguments(ArgumentsFor(wanted), {});
  ASSERT_TRUE(parsed.request) << parsed.text;
  ExpectSameOptions(parsed.request->form, wanted, "the command line", true);

  // The window: each row's control exists, shows the value, and gives it back.
  for (const OptionRow& row : OptionTable()) {
    if (row.control.empty()) continue;
    EXPECT_NE(window_->findChild<QObject*>(QString::fromLatin1(row.control.data())), nullptr) << row.key;
  }
  window_->ApplyForm(wanted);
  ExpectSameOptions(window_->ReadForm(), wanted, "the window", false);
}

}  // namespace
}  // namespace scrivane::testing
