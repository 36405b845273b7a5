// Dropping files on the window: a file becomes the input, with the output name
// proposed as Browse does; anything else is left to the control under the pointer.
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QRadioButton>

#include "ui_test_util.h"

namespace scrivane::testing {
namespace {

struct DropCase {
  const char* name;
  const char* target;         // object name of the control dropped on; "" for the window itself
  QStringList items;          // "file:NAME" (made in the test folder), "folder:NAME", "missing:NAME" or a URL
  const char* text;           // plain text carried along, "" for none
  const char* expectedInput;  // the file that becomes the input, "" when the drop is not the window's
};

class DropTest : public WindowTest, public ::testing::WithParamInterface<DropCase> {
 protected:
  QList<QUrl> Urls(const QStringList& items) {
    QList<QUrl> urls;
    for (const QString& item : items) {
      const QString name = item.section(QLatin1Char(':'), 1);
      if (item.startsWith(QStringLiteral("file:"))) {
        urls << QUrl::fromLocalFile(MakeFile(name, "dropped text\n"));
      } else if (item.startsWith(QStringLiteral("folder:"))) {
        QDir(dir_.path()).mkpath(name);
        urls << QUrl::fromLocalFile(dir_.filePath(name));
      } else if (item.startsWith(QStringLiteral("missing:"))) {
        urls << QUrl::fromLocalFile(dir_.filePath(name));
      } else {
        urls << QUrl(item);
      }
    }
    return urls;
  }
};

TEST_P(DropTest, TakesOnlyFiles) {
  const DropCase& c = GetParam();
  WriteIni("[General]\nInput=0\n");
  Start();
  auto* inFile = Find<QComboBox>("cmbInFile");
  auto* outFile = Find<QComboBox>("cmbOutFile");
  inFile->setEditText(QStringLiteral("before.txt"));
  outFile->setEditText(QStringLiteral("before.html"));
  TakeWrittenKeys();

  QWidget* target = *c.target == '\0' ? static_cast<QWidget*>(window_.get()) : Find<QWidget>(c.target);
  if (auto* edit = qobject_cast<QLineEdit*>(target)) edit->clear();
  QMimeData data;
  data.setUrls(Urls(c.items));
  if (*c.text != '\0') data.setText(QString::fromUtf8(c.text));
  const QPointF middle = QRectF(target->rect()).center();
  QDragEnterEvent enter(middle.toPoint(), Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(middle, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);

  if (*c.expectedInput != '\0') {
    const QString expected = dir_.filePath(QString::fromUtf8(c.expectedInput));
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(inFile->currentText(), expected);
    EXPECT_EQ(outFile->currentText(), expected + QStringLiteral(".html"));
    EXPECT_TRUE(Find<QRadioButton>("optInput1")->isChecked());
    EXPECT_TRUE(inFile->isEnabled());
    EXPECT_EQ(Stored("General", "Input"), QStringLiteral("1"));  // saved as a click on File is
    if (auto* edit = qobject_cast<QLineEdit*>(target)) {
      EXPECT_EQ(edit->text(), QString());  // the file's address was not pasted as text
    }
  } else {
    EXPECT_EQ(inFile->currentText(), QStringLiteral("before.txt"));
    EXPECT_EQ(outFile->currentText(), QStringLiteral("before.html"));
    EXPECT_TRUE(Find<QRadioButton>("optInput0")->isChecked());
    EXPECT_TRUE(TakeWrittenKeys().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DropTest,
    ::testing::Values(
        DropCase{"FileOnTheWindow", "", {"file:notes.txt"}, "", "notes.txt"},
        DropCase{"FileOnTheTabs", "SSTab1", {"file:notes.txt"}, "", "notes.txt"},
        // A text box would paste the file's address as text; the window takes the file instead.
        DropCase{"FileOnATextBox", "txtHeader", {"file:my notes.txt"}, "file:///my notes.txt", "my notes.txt"},
        DropCase{"FirstFileOfSeveral", "", {"folder:sub", "file:b.txt", "file:c.txt"}, "", "b.txt"},
        DropCase{"Folder", "", {"folder:sub"}, "", ""},
        DropCase{"MissingFile", "", {"missing:gone.txt"}, "", ""},
        DropCase{"WebAddress", "", {"https://example.org/page.txt"}, "", ""},
        DropCase{"PlainTextOnTheWindow", "", {}, "some words", ""}),
    [](const ::testing::TestParamInfo<DropCase>& info) { return std::string(info.param.name); });

// Text dropped on a text box still lands there.
TEST_F(WindowTest, TextDropStillReachesTextBoxes) {
  Start();
  auto* title = Find<QLineEdit>("txtHeader");
  title->clear();
  QMimeData data;
  data.setText(QStringLiteral("Dropped title"));
  const QPoint middle = title->rect().center();
  QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(title, &enter);
  QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(title, &drop);
  EXPECT_EQ(title->text(), QStringLiteral("Dropped title"));
}

}  // namespace
}  // namespace scrivane::testing
