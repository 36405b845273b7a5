#include "ui_test_util.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFocusEvent>

namespace scrivane::testing {
namespace {

// One QApplication for the whole program, on the offscreen platform unless told otherwise.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

WindowTest::WindowTest() {
  qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
  QDir(dir_.path()).mkpath(QStringLiteral("Scrivan"));
  iniPath_ = dir_.filePath(QStringLiteral("Scrivan/Scrivan.ini"));
}

WindowTest::~WindowTest() {
  window_.reset();
  QApplication::clipboard()->clear();
}

void WindowTest::WriteIni(const QByteArray& text) {
  QFile file(iniPath_);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

MainWindow& WindowTest::Start() {
  store_ = std::make_unique<RecordingStore>(iniPath_);
  settings_ = std::make_unique<AppSettings>(*store_);
  settings_->MigrateOldStore();
  window_ = std::make_unique<MainWindow>(*settings_, desktop_);
  window_->Load();
  return *window_;
}

std::optional<QString> WindowTest::Stored(const char* section, const char* key) const {
  return store_->Read(QString::fromLatin1(section), QString::fromLatin1(key));
}

std::vector<QString> WindowTest::TakeWrittenKeys() {
  std::vector<QString> keys;
  for (const auto& write : store_->writes) keys.push_back(write.key);
  store_->writes.clear();
  return keys;
}

void WindowTest::PickFormat(int position) {
  auto* format = Find<QComboBox>("cmbFormat");
  format->setCurrentIndex(position);
  emit format->activated(position);
}

void WindowTest::LeaveControl(QWidget* widget) {
  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(widget, &leave);
}

QString WindowTest::MakeFile(const QString& name, const QByteArray& text) {
  const QString path = dir_.filePath(name);
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
  return path;
}

}  // namespace scrivane::testing
