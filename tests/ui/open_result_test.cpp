// After a conversion to a file the completion strip offers to open the document
// in the browser; after anything else it offers nothing.
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "ui_test_util.h"
#include "widgets.h"

namespace scrivane::testing {
namespace {

constexpr int kRunTimeoutMs = 20000;

struct OfferCase {
  const char* name;
  bool fromFile;         // input: a file (in.txt) or the clipboard
  bool toFile;           // output: a file or the clipboard
  const char* outFile;   // the output name typed; "" to take the input's name + .html
  bool makeInput;        // false: the input file is missing, so the run fails
  const char* offered;   // the document offered, relative to the test folder; "" for no offer
};

class OpenResultTest : public WindowTest, public ::testing::WithParamInterface<OfferCase> {
 protected:
  void Convert() {
    Find<QPushButton>("butConvert")->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window_->IsConverting(); }, kRunTimeoutMs));
  }
};

TEST_P(OpenResultTest, OffersOnlyAWrittenFile) {
  const OfferCase& c = GetParam();
  Start();
  window_->show();
  const QString input = c.makeInput ? MakeFile(QStringLiteral("in.txt"), "www.example.org\n")
                                    : dir_.filePath(QStringLiteral("in.txt"));
  QApplication::clipboard()->setText(QStringLiteral("clip www.example.org"));
  Find<QRadioButton>(c.fromFile ? "optInput1" : "optInput0")->click();
  Find<QRadioButton>(c.toFile ? "optOutput1" : "optOutput0")->click();
  Find<QComboBox>("cmbInFile")->setEditText(input);
  Find<QComboBox>("cmbOutFile")->setEditText(*c.outFile == '\0' ? QString() : dir_.filePath(c.outFile));
  Convert();

  auto* offer = Find<QPushButton>("butOpenResult");
  EXPECT_EQ(offer->isVisible(), *c.offered != '\0');
  if (*c.offered == '\0') return;
  EXPECT_EQ(offer->text().remove(QLatin1Char('&')), QStringLiteral("Open in Browser"));
  // The strip's text ends before the button, so the button never covers the file's name.
  auto* strip = Find<StatusStrip>("picProgress");
  EXPECT_LE(strip->contentsRect().right(), offer->geometry().left());
  EXPECT_TRUE(strip->rect().contains(offer->geometry()));
  offer->click();
  ASSERT_EQ(desktop_.urlsOpened.size(), 1u);
  EXPECT_EQ(desktop_.urlsOpened[0], QUrl::fromLocalFile(dir_.filePath(QString::fromUtf8(c.offered))));
}

INSTANTIATE_TEST_SUITE_P(
    Table, OpenResultTest,
    ::testing::Values(OfferCase{"FileToDerivedName", true, true, "", true, "in.txt.html"},
                      OfferCase{"FileToNamedFile", true, true, "page.html", true, "page.html"},
                      OfferCase{"ClipboardToNamedFile", false, true, "clip.html", true, "clip.html"},
                      OfferCase{"FileToClipboard", true, false, "", true, ""},
                      OfferCase{"ClipboardToClipboard", false, false, "", true, ""},
                      OfferCase{"FailedRun", true, true, "", false, ""}),
    [](const ::testing::TestParamInfo<OfferCase>& info) { return std::string(info.param.name); });

TEST_F(OpenResultTest, NextRunWithdrawsTheOffer) {
  Start();
  window_->show();
  const QString input = MakeFile(QStringLiteral("a.txt"), "text\n");
  Find<QRadioButton>("optInput1")->click();
  Find<QRadioButton>("optOutput1")->click();
  Find<QComboBox>("cmbInFile")->setEditText(input);
  Find<QComboBox>("cmbOutFile")->setEditText(QString());
  Convert();
  auto* offer = Find<QPushButton>("butOpenResult");
  ASSERT_TRUE(offer->isVisible());

  // A run that fails leaves nothing to open.
  Find<QComboBox>("cmbInFile")->setEditText(dir_.filePath(QStringLiteral("missing.txt")));
  Convert();
  EXPECT_FALSE(offer->isVisible());
  EXPECT_EQ(Find<StatusStrip>("picProgress")->contentsMargins(), QMargins());  // the whole strip for text again
}

}  // namespace
}  // namespace scrivane::testing
