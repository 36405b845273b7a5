// The INI file behind the settings: where it lives, how hand-written values read,
// how values survive a rewrite, and files that are not settings at all.
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <optional>

#include "ini_values.h"
#include "qt_text.h"
#include "settings.h"
#include "settings_test_util.h"

namespace scrivane {
namespace {

using testing::TempIni;

const QString kGeneral = QStringLiteral("General");
const QString kFiles = QStringLiteral("Files");

// The value as the store reads it, checked against the plain reader the command line uses.
std::optional<QString> ReadBothWays(const SettingsStore& store, const QString& section, const QString& key) {
  const std::optional<QString> stored = store.Read(section, key);
  const std::optional<std::string> plain = StoredValues(ToStd(store.FilePath())).Find(ToStd(section), ToStd(key));
  EXPECT_EQ(plain.has_value(), stored.has_value()) << qPrintable(section + "/" + key);
  if (plain && stored) {
    EXPECT_EQ(*plain, ToStd(*stored)) << qPrintable(section + "/" + key);
  }
  return stored;
}

class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<QByteArray> value) : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
    if (value) qputenv(name, *value);
    else qunsetenv(name);
  }
  ~ScopedEnv() {
    if (had_) qputenv(name_, old_);
    else qunsetenv(name_);
  }

 private:
  const char* name_;
  QByteArray old_;
  bool had_;
};

TEST(StorePath, FollowsXdgConfigHome) {
  struct Case {
    std::optional<QByteArray> xdg;
    QString expected;
  };
  const QByteArray home = qgetenv("HOME");
  const Case cases[] = {
      {QByteArray("/tmp/cfg"), QStringLiteral("/tmp/cfg/Scrivan/Scrivan.ini")},
      {std::nullopt, QString::fromLocal8Bit(home) + QStringLiteral("/.config/Scrivan/Scrivan.ini")},
      {QByteArray(""), QString::fromLocal8Bit(home) + QStringLiteral("/.config/Scrivan/Scrivan.ini")},
      {QByteArray("relative/dir"), QString::fromLocal8Bit(home) + QStringLiteral("/.config/Scrivan/Scrivan.ini")},
  };
  for (const Case& c : cases) {
    ScopedEnv env("XDG_CONFIG_HOME", c.xdg);
    SettingsStore store;
    EXPECT_EQ(store.FilePath(), c.expected) << (c.xdg ? c.xdg->constData() : "(unset)");
    EXPECT_EQ(UserStorePath(), ToStd(c.expected));
  }
}

TEST(StorePath, UserStoreReadsTheFileInXdgConfigHome) {
  TempIni ini;
  ini.Write("[General]\nTitle=Mine\n");
  ScopedEnv env("XDG_CONFIG_HOME", ini.ConfigHome().toLocal8Bit());
  SettingsStore store;
  EXPECT_EQ(store.Read(kGeneral, QStringLiteral("Title")), QStringLiteral("Mine"));
}

// A file as a person would write it with a text editor.
const QByteArray kHandWritten =
    "[General]\n"
    "Input=1\n"
    "Title=Hello, world ,  again\n"
    "Separator=,\n"
    "ListType=a,b\n"
    "Footer=\"line one\n"
    "line two\"\n"
    "FontFace=  Times New Roman  \n"
    "FontColor=h\xC3\xA9llo w\xC3\xB6rld \xE2\x82\xAC\n"
    "BGImage=\n"
    "BGColor=\"a, b\"\n"
    "TextColor=a\\nb\n"
    "CharSet=@ByteArray(x)\n"
    "Target=\"  padded  \"\n"
    "; a comment line\n"
    "\n"
    "[Files]\n"
    "In0=/home/me/a file.txt\n"
    "Out0=/home/me/a, b.html\n";

TEST(HandWrittenFile, ReadsEachValueAsWritten) {
  struct Case {
    QString section, key;
    std::optional<QString> expected;
  };
  const Case cases[] = {
      {kGeneral, "Input", "1"},
      {kGeneral, "Title", "Hello, world ,  again"},  // unquoted commas keep their spacing
      {kGeneral, "Separator", ","},
      {kGeneral, "ListType", "a,b"},
      {kGeneral, "Footer", "line one\nline two"},
      {kGeneral, "FontFace", "Times New Roman"},  // outer blanks are the file's, not the value's
      {kGeneral, "FontColor", QString::fromUtf8("h\xC3\xA9llo w\xC3\xB6rld \xE2\x82\xAC")},
      {kGeneral, "BGImage", ""},  // stored empty, not missing
      {kGeneral, "BGColor", "a, b"},
      {kGeneral, "TextColor", "a\nb"},
      {kGeneral, "CharSet", "@ByteArray(x)"},
      {kGeneral, "Target", "  padded  "},
      {kGeneral, "Missing", std::nullopt},
      {kFiles, "In0", "/home/me/a file.txt"},
      {kFiles, "Out0", "/home/me/a, b.html"},
      {kFiles, "In1", std::nullopt},
      {QStringLiteral("Other"), "In0", std::nullopt},
  };
  TempIni ini;
  ini.Write(kHandWritten);
  const SettingsStore store(ini.Path());
  for (const Case& c : cases) {
    EXPECT_EQ(ReadBothWays(store, c.section, c.key), c.expected) << qPrintable(c.section + "/" + c.key);
  }
}

TEST(HandWrittenFile, WindowsLineEndsReadTheSame) {
  TempIni ini;
  ini.Write("\xEF\xBB\xBF[General]\r\nTitle=a, b\r\nInput=1\r\n[Files]\r\nIn0=x.txt\r\n");
  const SettingsStore store(ini.Path());
  EXPECT_EQ(ReadBothWays(store, kGeneral, "Title"), QStringLiteral("a, b"));
  EXPECT_EQ(ReadBothWays(store, kGeneral, "Input"), QStringLiteral("1"));
  EXPECT_EQ(ReadBothWays(store, kFiles, "In0"), QStringLiteral("x.txt"));
}

TEST(HandWrittenFile, FallbackOnlyForMissingKeys) {
  TempIni ini;
  ini.Write("[General]\nBGImage=\n");
  const SettingsStore store(ini.Path());
  EXPECT_EQ(store.Read(kGeneral, "BGImage", "default"), QString());
  EXPECT_EQ(store.Read(kGeneral, "CharSet", "default"), QStringLiteral("default"));
}

TEST(HandWrittenFile, RewriteKeepsUntouchedValuesAsWritten) {
  TempIni ini;
  ini.Write(kHandWritten);
  {
    SettingsStore store(ini.Path());
    store.Write(kGeneral, "Output", "1");
  }
  const SettingsStore store(ini.Path());
  EXPECT_EQ(store.Read(kGeneral, "Output"), QStringLiteral("1"));
  EXPECT_EQ(store.Read(kGeneral, "Title"), QStringLiteral("Hello, world ,  again"));
  EXPECT_EQ(store.Read(kGeneral, "ListType"), QStringLiteral("a,b"));
  EXPECT_EQ(store.Read(kGeneral, "Separator"), QStringLiteral(","));
  EXPECT_EQ(store.Read(kGeneral, "Footer"), QStringLiteral("line one\nline two"));
  EXPECT_EQ(store.Read(kFiles, "Out0"), QStringLiteral("/home/me/a, b.html"));
}

TEST(WrittenFile, ValuesComeBackExactly) {
  const QString values[] = {
      "a, b",   ",",       " lead",         "trail ", "line\nbreak\r\nand more", "C:\\temp\\new", "@at",
      ";",      "a;b",     "say \"hi\"",    "x=y",    QString::fromUtf8("h\xC3\xA9llo \xE2\x82\xAC"),
      "",       "\t",      "<A HREF=\"mailto:me@x.org\">me</A>, 2024", "@@twice", "\x01\x1f\x7f",
      QString::fromUtf8("\xF0\x9F\x98\x80 astral"),
  };
  TempIni ini;
  {
    SettingsStore store(ini.Path());
    int n = 0;
    for (const QString& value : values) store.Write(kGeneral, QStringLiteral("K%1").arg(n++), value);
  }
  const SettingsStore store(ini.Path());
  int n = 0;
  for (const QString& value : values) {
    EXPECT_EQ(ReadBothWays(store, kGeneral, QStringLiteral("K%1").arg(n++)), value) << qPrintable(value);
  }
}

TEST(WrittenFile, SectionsReadGeneralAndFiles) {
  TempIni ini;
  {
    SettingsStore store(ini.Path());
    store.Write(kFiles, "In0", "/a.txt");
    store.Write(kGeneral, "Input", "1");
  }
  const QByteArray text = ini.Read();
  EXPECT_TRUE(text.startsWith("[General]\n")) << text.constData();
  EXPECT_TRUE(text.contains("\nInput=1\n")) << text.constData();
  EXPECT_TRUE(text.contains("\n[Files]\nIn0=/a.txt\n")) << text.constData();
  EXPECT_FALSE(text.contains("%General")) << text.constData();
}

TEST(WrittenFile, FolderIsCreatedOnFirstWrite) {
  TempIni ini;
  const QString path = ini.ConfigHome() + QStringLiteral("/new/Scrivan/Scrivan.ini");
  {
    SettingsStore store(path);
    EXPECT_EQ(store.Read(kGeneral, "Input"), std::nullopt);
    store.Write(kGeneral, "Input", "1");
  }
  EXPECT_EQ(SettingsStore(path).Read(kGeneral, "Input"), QStringLiteral("1"));
}

TEST(Delete, RemovesOneSectionOnly) {
  struct Case {
    QString deleted;
    bool generalKept, filesKept;
  };
  const Case cases[] = {{kGeneral, false, true}, {kFiles, true, false}};
  for (const Case& c : cases) {
    TempIni ini;
    ini.Write("[General]\nInput=True\nTitle=a, b\n[Files]\nIn0=x\n[Other]\nKey=1\n");
    {
      SettingsStore store(ini.Path());
      store.Delete(c.deleted);
    }
    const SettingsStore store(ini.Path());
    EXPECT_EQ(store.Read(kGeneral, "Input").has_value(), c.generalKept) << qPrintable(c.deleted);
    EXPECT_EQ(store.Read(kGeneral, "Title").has_value(), c.generalKept) << qPrintable(c.deleted);
    EXPECT_EQ(store.Read(kFiles, "In0").has_value(), c.filesKept) << qPrintable(c.deleted);
    EXPECT_EQ(store.Read("Other", "Key"), QStringLiteral("1")) << qPrintable(c.deleted);
  }
}

QByteArray RandomBytes(qsizetype size, quint32 seed) {
  QRandomGenerator random(seed);
  QByteArray bytes(size, Qt::Uninitialized);
  for (char& byte : bytes) byte = static_cast<char>(random.bounded(256));
  return bytes;
}

// Whatever sits at the settings path, reading and writing carry on.
TEST(UnusableFile, NeverStopsTheProgram) {
  struct Case {
    const char* name;
    std::function<void(const TempIni&)> make;
  };
  const Case cases[] = {
      {"random bytes", [](const TempIni& ini) { ini.Write(RandomBytes(200000, 7)); }},
      {"binary with NULs", [](const TempIni& ini) { ini.Write(QByteArray("\0\0[Gen\xFF\xFE\0=\0\n\\", 12)); }},
      {"unbalanced quote", [](const TempIni& ini) { ini.Write("[General]\nTitle=\"never closed\nInput=1\n"); }},
      {"huge", [](const TempIni& ini) { ini.Write(QByteArray(5 * 1024 * 1024, 'x')); }},
      {"folder", [](const TempIni& ini) { QDir().mkpath(ini.Path()); }},
      {"link to a device", [](const TempIni& ini) { QFile::link(QStringLiteral("/dev/zero"), ini.Path()); }},
      {"dangling link", [](const TempIni& ini) { QFile::link(ini.ConfigHome() + "/gone", ini.Path()); }},
  };
  for (const Case& c : cases) {
    TempIni ini;
    c.make(ini);
    SettingsStore store(ini.Path());
    EXPECT_EQ(ReadBothWays(store, kGeneral, "OutFormat"), std::nullopt) << c.name;
    store.Write(kGeneral, "OutFormat", "3");
    store.Delete(kGeneral);
    store.Sync();
  }
}

}  // namespace
}  // namespace scrivane
