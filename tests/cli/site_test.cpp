// scrivane-convert keeping a site: --update converts only what changed, --delete
// removes what is gone, --index lists the documents, files it did not write are
// left alone, and an interrupted run is finished by the next --update.
#include <signal.h>

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <vector>

#include "cli.h"
#include "program_sandbox.h"

namespace scrivane {
namespace {

using testing_support::Joined;
using testing_support::Outcome;
using testing_support::Sandbox;

const std::vector<std::string> kSite{"-r", "notes", "--output-dir", "site"};
constexpr int kInputs = 1000;

std::string Input(int i) {
  return QStringLiteral("notes/%1/f%2.txt").arg(i % 10).arg(i, 4, 10, QLatin1Char('0')).toStdString();
}
std::string Document(int i) {
  return QStringLiteral("site/%1/f%2.txt.html").arg(i % 10).arg(i, 4, 10, QLatin1Char('0')).toStdString();
}

std::string LastLine(const std::string& text) {
  const std::size_t end = text.find_last_not_of('\n');
  if (end == std::string::npos) return {};
  const std::size_t start = text.rfind('\n', end);
  return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

// The names below `folder` that hold a document ("*.html"), and the hidden ones besides the manifest.
struct Listing {
  std::vector<std::string> documents, hidden;
};
Listing List(const Sandbox& sandbox, const std::string& folder) {
  Listing listing;
  QDirIterator it(QString::fromStdString(sandbox / folder), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const std::string name = QDir(QString::fromStdString(sandbox.Folder())).relativeFilePath(path).toStdString();
    if (it.fileName().startsWith(QLatin1Char('.'))) {
      if (it.fileName() != QLatin1String(kManifestName)) listing.hidden.push_back(name);
    } else if (name.ends_with(".html")) {
      listing.documents.push_back(name);
    }
  }
  return listing;
}

bool Complete(const std::string& document) { return document.ends_with("</HTML>\r\n"); }

struct UpdateStep {
  const char* name;
  std::function<void(const Sandbox&)> change;  // what the user does before the run
  std::vector<std::string> arguments;           // besides kSite
  const char* summary;                          // the last line of standard error
  std::function<void(const Sandbox&, const Outcome&)> check;
};

const auto kNothing = [](const Sandbox&) {};
const auto kNoCheck = [](const Sandbox&, const Outcome&) {};

TEST(Site, UpdateConvertsWhatChangedAndOnlyThat) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  for (int i = 0; i < kInputs; ++i) sandbox.Write(Input(i), "Note " + std::to_string(i) + "\nwww.example.org\n");
  const std::vector<std::string> pre{"--format", "pre"};
  const std::vector<UpdateStep> steps{
      {"FirstRun", kNothing, {}, "Converted 1000 files, 0 unchanged, 0 removed, 0 failed.", kNoCheck},
      {"NothingChanged", kNothing, {}, "Converted 0 files, 1000 unchanged, 0 removed, 0 failed.", kNoCheck},
      {"OneEdited", [](const Sandbox& s) { s.Write(Input(7), "Edited seven\n"); }, {},
       "Converted 1 file, 999 unchanged, 0 removed, 0 failed.",
       [](const Sandbox& s, const Outcome&) { EXPECT_NE(s.Read(Document(7)).find("Edited seven"), std::string::npos); }},
      {"TouchedOnly",
       [](const Sandbox& s) {
         QFile file(QString::fromStdString(s / Input(8)));
         ASSERT_TRUE(file.open(QIODevice::ReadWrite));
         ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
       },
       {}, "Converted 0 files, 1000 unchanged, 0 removed, 0 failed.", kNoCheck},
      {"OptionChanged", kNothing, pre, "Converted 1000 files, 0 unchanged, 0 removed, 0 failed.",
       [](const Sandbox& s, const Outcome&) { EXPECT_NE(s.Read(Document(9)).find("<PRE>"), std::string::npos); }},
      {"InputDeleted",
       [](const Sandbox& s) {
         std::filesystem::remove(s / Input(3));
         s.Write("site/3/stray.html", "the user's");  // never in the manifest
       },
       Joined({pre, {"--delete"}}), "Converted 0 files, 999 unchanged, 1 removed, 0 failed.",
       [](const Sandbox& s, const Outcome&) {
         EXPECT_FALSE(s.Exists(Document(3)));
         EXPECT_EQ(s.Read("site/3/stray.html"), "the user's");
         EXPECT_EQ(List(s, "site").documents.size(), 1000u);  // 999 and the stray file
       }},
      {"UsersFileKept",
       [](const Sandbox& s) {
         s.Write("site/own.txt.html", "mine");
         s.Write("notes/own.txt", "own\n");
       },
       pre, "Converted 0 files, 999 unchanged, 0 removed, 1 failed.",
       [](const Sandbox& s, const Outcome& outcome) {
         EXPECT_NE(outcome.err.find("site/own.txt.html already exists (use --force to replace it)"), std::string::npos);
         EXPECT_EQ(s.Read("site/own.txt.html"), "mine");
       }},
      {"UsersFileStillKept", kNothing, pre, "Converted 0 files, 999 unchanged, 0 removed, 1 failed.",
       [](const Sandbox& s, const Outcome&) { EXPECT_EQ(s.Read("site/own.txt.html"), "mine"); }},
      {"ForceTakesIt", kNothing, Joined({pre, {"--force"}}), "Converted 1 file, 999 unchanged, 0 removed, 0 failed.",
       kNoCheck},
      {"NowItsOwn", [](const Sandbox& s) { s.Write("notes/own.txt", "own, edited\n"); }, pre,
       "Converted 1 file, 999 unchanged, 0 removed, 0 failed.",
       [](const Sandbox& s, const Outcome&) {
         EXPECT_NE(s.Read("site/own.txt.html").find("own, edited"), std::string::npos);
         EXPECT_EQ(List(s, "site").hidden, std::vector<std::string>{});
       }},
  };
  for (const UpdateStep& step : steps) {
    SCOPED_TRACE(step.name);
    step.change(sandbox);
    const Outcome outcome = sandbox.Run(Joined({{"--update"}, kSite, step.arguments}));
    EXPECT_EQ(LastLine(outcome.err), step.summary) << outcome.err;
    EXPECT_EQ(outcome.status, std::string(step.summary).ends_with(" 0 failed.") ? 0 : 1);
    step.check(sandbox, outcome);
  }
}

// A plain run into an output folder records its documents too, so that --update
// takes them as its own; plain runs still replace nothing without --force.
TEST(Site, PlainRunIntoAFolderIsAdoptedByUpdate) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  for (int i = 0; i < 20; ++i) sandbox.Write(Input(i), "Note " + std::to_string(i) + "\n");
  const std::vector<std::string> update{"--update"}, pre{"--format", "pre"};
  struct Step {
    const char* name;
    std::vector<std::string> arguments;
    const char* summary;
  };
  const Step steps[] = {
      {"PlainRun", kSite, "Converted 20 files."},
      {"UpdateAdoptsThem", Joined({update, kSite}), "Converted 0 files, 20 unchanged, 0 removed, 0 failed."},
      {"PlainRunAgainReplacesNothing", kSite, "Converted 0 of 20 files; 20 failed."},
      {"ForcedPlainRun", Joined({kSite, pre, {"--force"}}), "Converted 20 files."},
      {"UpdateKnowsTheForcedRun", Joined({update, kSite, pre}), "Converted 0 files, 20 unchanged, 0 removed, 0 failed."},
      {"UpdateWithOtherOptions", Joined({update, kSite}), "Converted 20 files, 0 unchanged, 0 removed, 0 failed."},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    const Outcome outcome = sandbox.Run(step.arguments);
    EXPECT_EQ(LastLine(outcome.err), step.summary) << outcome.err;
    EXPECT_EQ(outcome.status, std::string(step.summary).find("failed") == std::string::npos ||
                                      std::string(step.summary).ends_with(" 0 failed.")
                                  ? 0
                                  : 1);
    EXPECT_TRUE(Complete(sandbox.Read(Document(13))));
  }
}

struct IndexCase {
  const char* input;
  std::string text;
  const char* page;
  const char* line;  // a line of that page
};

TEST(Site, IndexPagesListTheDocuments) {
  const std::vector<IndexCase> cases{
      {"notes/a&b <x>.txt", "\n \t\n  Title <one> & more  \nbody\n", "site/index.html",
       "<TR><TD><A HREF=\"a%26b%20%3Cx%3E.txt.html\">Title &lt;one&gt; &amp; more</A></TD><TD>"},
      {"notes/empty.txt", "", "site/index.html", "<TR><TD><A HREF=\"empty.txt.html\">empty.txt</A></TD>"},
      {"notes/cp.txt", "\xEF\xBB\xBF\x01\xA3 caf\xE9\n", "site/index.html", "<TR><TD><A HREF=\"cp.txt.html\">&pound; caf\xC3\xA9</A>"},
      {"notes/sub/deep.txt", "deep\n", "site/index.html", "<LI><A HREF=\"sub/index.html\">sub/</A>"},
      {"notes/sub/deep2.txt", "deeper\n", "site/sub/index.html", "<P><A HREF=\"../index.html\">Parent folder</A></P>"},
      {"notes/sub/deep3.txt", "deepest\n", "site/sub/index.html",
       "<TR><TD><A HREF=\"deep3.txt.html\">deepest</A></TD>"},
  };
  Sandbox sandbox(SCRIVANE_CONVERT);
  for (const IndexCase& c : cases) sandbox.Write(c.input, c.text);
  const Outcome outcome = sandbox.Run(Joined({{"--index"}, kSite}));
  EXPECT_EQ(outcome.err, "Converted 6 files, 0 unchanged, 0 removed, 0 failed.\n");
  for (const IndexCase& c : cases) {
    SCOPED_TRACE(c.input);
    const std::string page = sandbox.Read(c.page);
    EXPECT_NE(page.find(std::string("\r\n") + c.line), std::string::npos) << page;
  }
  EXPECT_EQ(sandbox.Read("site/index.html").find("Parent folder"), std::string::npos);

  // A folder emptied by --delete loses its index page and goes; a page the user wrote stays.
  for (const char* gone : {"notes/sub/deep.txt", "notes/sub/deep2.txt", "notes/sub/deep3.txt"}) {
    std::filesystem::remove(sandbox / gone);
  }
  sandbox.Write("notes/other/x.txt", "x\n");
  sandbox.Write("site/other/index.html", "the user's");
  const Outcome pruned = sandbox.Run(Joined({{"--index", "--delete"}, kSite}));
  EXPECT_EQ(pruned.err,
            "scrivane-convert: site/other/index.html already exists (use --force to replace it)\n"
            "Converted 1 file, 3 unchanged, 3 removed, 1 failed.\n");
  EXPECT_FALSE(sandbox.Exists("site/sub"));
  EXPECT_EQ(sandbox.Read("site/other/index.html"), "the user's");

  // An input named "index" would write the index page itself: refused.
  sandbox.Write("notes/index", "i\n");
  const Outcome clash = sandbox.Run(Joined({{"--index", "--include", "*"}, kSite}));
  EXPECT_NE(clash.err.find("scrivane-convert: site/index.html is the folder's index page: notes/index cannot be "
                           "converted with --index\n"),
            std::string::npos)
      << clash.err;
  EXPECT_NE(sandbox.Read("site/index.html").find("<TITLE>Index of site</TITLE>"), std::string::npos);
}

// A stretch of a fixed site as both profiles write it.
TEST(Site, IndexPageProfiles) {
  qputenv("TZ", "UTC");
  tzset();
  IndexFolder folder{"2026/dec", "site", {"a b", "z"}, {}};
  folder.documents.push_back({"x&y.txt.html", "Tom & \"Jerry\" <3", 1536, 1796719511000000000});
  folder.documents.push_back({"plain.txt.html", "plain.txt", 12, 1796719571000000000});
  for (const bool modern : {false, true}) {
    SCOPED_TRACE(modern);
    ConversionOptions options;
    options.modern = modern;
    options.bgColor = "#FFFFE0\"";
    QFile golden(QStringLiteral(SCRIVANE_SOURCE_DIR "/tests/cli/golden/index-%1.html")
                     .arg(modern ? QStringLiteral("modern") : QStringLiteral("classic")));
    if (qEnvironmentVariableIsSet("SCRIVANE_UPDATE_GOLDEN") && golden.open(QIODevice::WriteOnly)) {
      golden.write(QByteArray::fromStdString(IndexPage(folder, options)));  // rewritten, then checked below
      golden.close();
    }
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    EXPECT_EQ(IndexPage(folder, options), golden.readAll().toStdString());
  }
}

// A manifest as the previous release wrote it (each document's fields in an array)
// is read as it was meant, and saved again by key with the same content.
TEST(Manifest, ReadsThePreviousFormatAndSavesByKey) {
  Sandbox sandbox;
  sandbox.Write(std::string("site/") + kManifestName,
                testing_support::ReadFile(SCRIVANE_SOURCE_DIR "/tests/cli/golden/manifest-format1.json"));
  const std::map<std::string, ManifestEntry> documents{
      {"a.txt.html",
       {.input = "a.txt", .size = 6, .mtime = 1796719511123456789, .hash = "0123456789abcdef0123456789abcdef",
        .options = "fedcba9876543210fedcba9876543210", .bytes = 1536, .title = "Tom & \"Jerry\" \\ <3"}},
      {"sub/caf\xE9.txt.html", {.input = "sub/caf\xE9.txt", .options = "fedcba9876543210fedcba9876543210"}},
  };
  const std::map<std::string, std::string> indexes{{"index.html", "00112233445566778899aabbccddeeff"}};
  Manifest manifest;
  std::string error;
  ASSERT_TRUE(manifest.Load(sandbox / "site", error)) << error;
  EXPECT_EQ(manifest.documents, documents);
  EXPECT_EQ(manifest.indexes, indexes);

  ASSERT_TRUE(manifest.Save(sandbox / "site", error)) << error;
  const std::string saved = sandbox.Read(std::string("site/") + kManifestName);
  EXPECT_NE(saved.find(R"("a.txt.html":{"input":"a.txt","size":6,"mtime":"1796719511123456789",)"), std::string::npos)
      << saved;
  Manifest again;
  ASSERT_TRUE(again.Load(sandbox / "site", error)) << error;
  EXPECT_EQ(again.documents, documents);
  EXPECT_EQ(again.indexes, indexes);
}

// Waits (at most a minute) until `ready` holds.
bool WaitFor(const std::function<bool()>& ready) {
  for (int i = 0; i < 6000; ++i) {
    if (ready()) return true;
    QThread::msleep(10);
  }
  return false;
}

struct StopCase {
  const char* name;
  int signal;
};

class InterruptedTest : public testing::TestWithParam<StopCase> {};

// Killed or interrupted in the middle of a batch: the documents written are
// whole, no working file stays, and the next --update finishes the job.
TEST_P(InterruptedTest, NextUpdateFinishes) {
  constexpr int kMany = 1000;
  Sandbox sandbox(SCRIVANE_CONVERT);
  for (int i = 0; i < kMany; ++i) sandbox.Write(Input(i), std::string(2000, 'x') + "\nline " + std::to_string(i));
  const pid_t process = sandbox.Start(Joined({{"--update", "-j", "1"}, kSite}));
  // One thread takes the inputs in order: the last of the first folder, then the kill.
  ASSERT_TRUE(WaitFor([&] { return sandbox.Exists(Document(kMany - 10)); }));
  ::kill(process, GetParam().signal);
  const Outcome stopped = sandbox.Wait(process, std::chrono::seconds(60));
  ASSERT_FALSE(stopped.hung);
  EXPECT_NE(stopped.signal, 0);  // ended by the signal, as the caller must see

  const Listing left = List(sandbox, "site");
  EXPECT_LT(left.documents.size(), static_cast<std::size_t>(kMany));
  for (const std::string& name : left.documents) {
    EXPECT_TRUE(Complete(sandbox.Read(name))) << name;
  }
  const Outcome finished = sandbox.Run(Joined({{"--update"}, kSite}));
  EXPECT_EQ(finished.status, 0) << finished.err;
  // Documents written since the manifest was last saved are written again after a kill.
  std::smatch counts;
  ASSERT_TRUE(std::regex_match(finished.err, counts,
                               std::regex("Converted ([0-9]+) files, ([0-9]+) unchanged, 0 removed, 0 failed.\n")))
      << finished.err;
  const std::size_t unchanged = std::stoul(counts[2]);
  EXPECT_EQ(std::stoul(counts[1]) + unchanged, static_cast<std::size_t>(kMany));
  if (GetParam().signal == SIGKILL) {
    EXPECT_LE(unchanged, left.documents.size());
  } else {
    EXPECT_EQ(unchanged, left.documents.size());
  }
  const Listing done = List(sandbox, "site");
  EXPECT_EQ(done.documents.size(), static_cast<std::size_t>(kMany));
  EXPECT_EQ(done.hidden, std::vector<std::string>{});
  for (const std::string& name : done.documents) {
    EXPECT_TRUE(Complete(sandbox.Read(name))) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptedTest,
                         testing::Values(StopCase{"Kill", SIGKILL}, StopCase{"CtrlC", SIGINT}),
                         [](const testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scrivane
