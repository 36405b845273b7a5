// What the window says after each kind of run: the message for names that cannot
// be converted, a strip that never shows an earlier run's result, the outcome in
// the bar, and an Open in Browser that fails.
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <functional>

#include "ui_test_util.h"
#include "widgets.h"

namespace scrivane::testing {
namespace {

constexpr int kRunTimeoutMs = 20000;

class FeedbackTest : public WindowTest {
 protected:
  // Converts file to file with these names ("" for none).
  void Convert(const QString& in, const QString& out) {
    Find<QRadioButton>("optInput1")->click();
    Find<QRadioButton>("optOutput1")->click();
    Find<QComboBox>("cmbInFile")->setEditText(in);
    Find<QComboBox>("cmbOutFile")->setEditText(out);
    Find<QPushButton>("butConvert")->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window_->IsConverting(); }, kRunTimeoutMs));
  }
  QString Message() { return desktop_.messages.empty() ? QString() : desktop_.messages.back().text; }
};

struct NameCase {
  const char* name;
  const char* in;   // in the test's folder, which holds a.txt and the folder "sub"; "" for none
  const char* out;
  const char* message;  // "{dir}" is the test's folder
};

class NameMessageTest : public FeedbackTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(NameMessageTest, SaysWhatIsWrongWithTheNames) {
  Start();
  window_->show();
  const QString a = MakeFile(QStringLiteral("a.txt"), "my text\n");
  QDir(dir_.path()).mkdir(QStringLiteral("sub"));
  Convert(a, QString());  // a run that worked, whose texts must not outlive the next
  const auto path = [this](const char* name) { return *name ? dir_.filePath(QString::fromLatin1(name)) : QString(); };
  Convert(path(GetParam().in), path(GetParam().out));
  EXPECT_EQ(Message(), QString::fromLatin1(GetParam().message).replace(QStringLiteral("{dir}"), dir_.path()));
  EXPECT_EQ(Find<StatusStrip>("picProgress")->Text(), QString());
  EXPECT_FALSE(Find<QPushButton>("butOpenResult")->isVisible());
  QFile input(a);
  ASSERT_TRUE(input.open(QIODevice::ReadOnly));
  EXPECT_EQ(input.readAll(), "my text\n");
}

INSTANTIATE_TEST_SUITE_P(
    Table, NameMessageTest,
    ::testing::Values(NameCase{"NoInputName", "", "", "No input file named"},
                      NameCase{"InputIsAFolder", "sub", "", "Could not read the input file {dir}/sub: it is a folder"},
                      NameCase{"OutputIsTheInput", "a.txt", "sub/../a.txt",
                               "The output file {dir}/sub/../a.txt is the input file itself. Choose another output "
                               "name."}),
    [](const ::testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

TEST_F(FeedbackTest, RunThatCannotStartClearsTheLastResult) {
  Start();
  window_->show();
  Convert(MakeFile(QStringLiteral("a.txt"), "x\n"), QString());
  Find<QRadioButton>("optInput0")->click();
  QApplication::clipboard()->clear();
  Find<QPushButton>("butConvert")->click();  // nothing to convert
  EXPECT_EQ(Message(), QStringLiteral("The clipboard holds no text to convert."));
  EXPECT_EQ(Find<StatusStrip>("picProgress")->Text(), QString());
  EXPECT_FALSE(Find<QPushButton>("butOpenResult")->isVisible());
}

TEST_F(FeedbackTest, BarShowsTheOutcomeOfItsRuns) {
  Start();
  window_->show();
  emit Find<ClickLabel>("lblAppSize")->clicked();
  auto* status = Find<QLabel>("lblBarStatus");
  const QString a = MakeFile(QStringLiteral("a.txt"), "x\n");
  Convert(a, QString());
  EXPECT_TRUE(status->isVisible());
  EXPECT_EQ(status->toolTip(), QStringLiteral("Finished: a.txt.html"));
  EXPECT_TRUE(window_->rect().contains(status->geometry()));
  Convert(dir_.filePath(QStringLiteral("missing.txt")), QString());
  EXPECT_EQ(status->toolTip(), Message());
  emit Find<ClickLabel>("lblAppSize")->clicked();  // restored: the strip speaks again
  EXPECT_FALSE(status->isVisible());
  EXPECT_TRUE(Find<QLabel>("lblFormat")->isVisible());
}

TEST_F(FeedbackTest, OpenInBrowserThatFailsSaysWhy) {
  Start();
  window_->show();
  const QString a = MakeFile(QStringLiteral("a.txt"), "x\n");
  Convert(a, QString());
  desktop_.openFailure = QStringLiteral("no program to open it was found");
  Find<QPushButton>("butOpenResult")->click();
  EXPECT_EQ(Message(), QStringLiteral("Could not open %1.html in the browser: no program to open it was found").arg(a));
  EXPECT_EQ(desktop_.messages.back().icon, MessageIcon::Warning);
}

}  // namespace
}  // namespace scrivane::testing
