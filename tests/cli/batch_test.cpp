// scrivane-convert on many files: which files, where their documents go,
// failures, threads, overwriting, and the progress line on a terminal.
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDirIterator>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "program_sandbox.h"

namespace scrivane {
namespace {

using testing_support::Masked;
using testing_support::Outcome;
using testing_support::Sandbox;

// Every file below `folder` (relative names, sorted) with its bytes.
std::map<std::string, std::string> Tree(const Sandbox& sandbox, const std::string& folder) {
  std::map<std::string, std::string> files;
  const QString top = QString::fromStdString(sandbox / folder);
  QDirIterator it(top, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    files[QDir(top).relativeFilePath(path).toStdString()] = testing_support::ReadFile(path.toStdString());
  }
  return files;
}

std::vector<std::string> Names(const std::map<std::string, std::string>& tree) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : tree) names.push_back(name);
  return names;
}

TEST(Batch, OneBadFileFailsAlone) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  sandbox.Write("a.txt", "first www.example.org\n");
  sandbox.Write("b.txt", "second\n");
  const Outcome outcome = sandbox.Run({"a.txt", "missing.txt", "b.txt"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err,
            "scrivane-convert: Input File missing.txt not found\n"
            "Converted 2 of 3 files; 1 failed.\n");
  EXPECT_NE(sandbox.Read("a.txt.html").find("<A HREF=\"http://www.example.org\">"), std::string::npos);
  EXPECT_NE(sandbox.Read("b.txt.html").find("second"), std::string::npos);
  EXPECT_FALSE(sandbox.Exists("missing.txt.html"));
}

// Files of every kind the engine treats differently, in nested folders.
void WriteMixedTree(const Sandbox& sandbox, int count) {
  for (int i = 0; i < count; ++i) {
    std::string text = "File " + std::to_string(i) + " at www.example.org/" + std::to_string(i) + ".\n\n";
    switch (i % 5) {
      case 0: text += "a,b,c\n1,2,3\n"; break;
      case 1: text += "caf\xE9 \xA3" "5\n"; break;  // Windows-1252
      case 2: text += std::string(200000, 'x') + "\n"; break;
      case 3: text.clear(); break;
      default: text += "mail@example.org <b> & \"q\"\n"; break;
    }
    sandbox.Write(QStringLiteral("in/%1/f%2.txt").arg(i % 3).arg(i, 3, 10, QLatin1Char('0')).toStdString(), text);
  }
}

TEST(Batch, ThreadsGiveTheSameDocumentsAsOne) {
  for (const char* format : {"smart", "select"}) {
    SCOPED_TRACE(format);
    Sandbox sandbox(SCRIVANE_CONVERT);
    WriteMixedTree(sandbox, 40);
    const Outcome one = sandbox.Run({"-r", "in", "--output-dir", "one", "-j", "1", "--format", format, "--go-button"});
    const Outcome many = sandbox.Run({"-r", "in", "--output-dir", "many", "-j", "8", "--format", format, "--go-button"});
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(many.status, 0) << many.err;
    EXPECT_EQ(one.err, "Converted 40 files.\n");
    EXPECT_EQ(many.err, one.err);
    const auto expected = Tree(sandbox, "one");
    const auto actual = Tree(sandbox, "many");
    ASSERT_EQ(Names(actual), Names(expected));
    EXPECT_EQ(expected.size(), 41u);  // and the manifest
    for (const auto& [name, bytes] : expected) EXPECT_EQ(Masked(actual.at(name)), Masked(bytes)) << name;
  }
}

TEST(Batch, ExistingDocumentsAreKeptWithoutForce) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  sandbox.Write("a.txt", "new a\n");
  sandbox.Write("b.txt", "new b\n");
  sandbox.Write("a.txt.html", "old a");
  const Outcome kept = sandbox.Run({"a.txt", "b.txt"});
  EXPECT_EQ(kept.status, 1);
  EXPECT_EQ(kept.err,
            "scrivane-convert: a.txt.html already exists (use --force to replace it)\n"
            "Converted 1 of 2 files; 1 failed.\n");
  EXPECT_EQ(sandbox.Read("a.txt.html"), "old a");
  EXPECT_NE(sandbox.Read("b.txt.html").find("new b"), std::string::npos);

  const Outcome forced = sandbox.Run({"a.txt", "b.txt", "--force"});
  EXPECT_EQ(forced.status, 0);
  EXPECT_EQ(forced.err, "Converted 2 files.\n");
  EXPECT_NE(sandbox.Read("a.txt.html").find("new a"), std::string::npos);
}

// Input that looks binary (an executable here): converted with a warning when it
// is the only input, skipped with one in a batch, and as --binary says otherwise.
struct BinaryCase {
  const char* name;
  std::vector<std::string> arguments;
  int status;
  std::string err;
  std::vector<std::string> written;  // the documents beside the inputs, or in "out"
};

class BinaryTest : public testing::TestWithParam<BinaryCase> {};

TEST_P(BinaryTest, IsDealtWithAsAsked) {
  const BinaryCase& c = GetParam();
  Sandbox sandbox(SCRIVANE_CONVERT);
  sandbox.Write("in/a.txt", "text\n");
  sandbox.Write("in/tool.txt", std::string("\x7F" "ELF\x02\x01\0\0\0 code", 14));
  const Outcome outcome = sandbox.Run(c.arguments);
  EXPECT_EQ(outcome.status, c.status);
  EXPECT_EQ(outcome.err, c.err);
  std::vector<std::string> written;
  for (const std::string folder : {"in", "out"}) {
    for (const auto& [name, bytes] : Tree(sandbox, folder)) {
      if (name.ends_with(".html")) written.push_back(folder + "/" + name);
    }
  }
  EXPECT_EQ(written, c.written);
}

const std::string kToolWarning = "scrivane-convert: in/tool.txt looks like a binary file, not text; ";

INSTANTIATE_TEST_SUITE_P(
    Table, BinaryTest,
    testing::Values(
        BinaryCase{"OneFileIsConverted", {"in/tool.txt", "-o", "out.html"}, 0, kToolWarning + "converted anyway\n", {}},
        BinaryCase{"OneFileSkippedOnRequest", {"--binary=skip", "in/tool.txt"}, 0,
                   kToolWarning + "skipped (--binary=convert converts it)\n", {}},
        BinaryCase{"BatchSkipsIt", {"in"}, 0,
                   kToolWarning + "skipped (--binary=convert converts it)\nConverted 1 file; 1 skipped as binary.\n",
                   {"in/a.txt.html"}},
        BinaryCase{"SiteSkipsIt", {"in", "--output-dir", "out", "--update"}, 0,
                   kToolWarning + "skipped (--binary=convert converts it)\n"
                                  "Converted 1 file, 0 unchanged, 0 removed, 0 failed, 1 skipped.\n",
                   {"out/a.txt.html"}},
        BinaryCase{"BatchConvertsOnRequest", {"in", "--binary", "CONVERT"}, 0,
                   kToolWarning + "converted anyway\nConverted 2 files.\n", {"in/a.txt.html", "in/tool.txt.html"}},
        BinaryCase{"BatchFailsOnRequest", {"in", "--output-dir", "out", "--binary=fail"}, 1,
                   "scrivane-convert: in/tool.txt looks like a binary file, not text (--binary=convert converts it)\n"
                   "Converted 1 of 2 files; 1 failed.\n",
                   {"out/a.txt.html"}}),
    [](const testing::TestParamInfo<BinaryCase>& info) { return std::string(info.param.name); });

struct LayoutCase {
  const char* name;
  std::vector<std::string> arguments;
  std::vector<std::string> written;  // every file below the sandbox's folder "out", or beside the inputs in "in"
  int status;
  const char* err;
};

class LayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, PutsEachDocumentInItsPlace) {
  const LayoutCase& c = GetParam();
  Sandbox sandbox(SCRIVANE_CONVERT);
  sandbox.Write("in/a.txt", "a\n");
  sandbox.Write("in/notes.md", "md\n");
  sandbox.Write("in/sub/b.txt", "b\n");
  sandbox.Write("in/sub/deeper/c.TXT", "c\n");
  sandbox.Write("in/.hidden/d.txt", "d\n");
  sandbox.Write("in/.e.txt", "e\n");
  sandbox.Write("other/a.txt", "other a\n");
  sandbox.Write("empty/readme", "none\n");
  const Outcome outcome = sandbox.Run(c.arguments);
  EXPECT_EQ(outcome.status, c.status);
  EXPECT_EQ(outcome.err, c.err);
  std::vector<std::string> written;
  for (const auto& [name, bytes] : Tree(sandbox, "out")) written.push_back("out/" + name);
  for (const auto& [name, bytes] : Tree(sandbox, "in")) {
    if (name.ends_with(".html")) written.push_back("in/" + name);
  }
  EXPECT_EQ(written, c.written);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LayoutTest,
    testing::Values(
        LayoutCase{"FolderBesideItsFiles", {"in"}, {"in/a.txt.html"}, 0, "Converted 1 file.\n"},
        LayoutCase{"Recursive",
                   {"-r", "in"},
                   {"in/a.txt.html", "in/sub/b.txt.html"},
                   0,
                   "Converted 2 files.\n"},
        LayoutCase{"RecursiveIntoAnOutputFolder",
                   {"--recursive", "in", "--output-dir", "out"},
                   {"out/.scrivane-manifest.json", "out/a.txt.html", "out/sub/b.txt.html"},
                   0,
                   "Converted 2 files.\n"},
        LayoutCase{"IncludePatterns",
                   {"-r", "in", "--include", "*.md", "--include", "*.TXT", "--output-dir", "out"},
                   {"out/.scrivane-manifest.json", "out/notes.md.html", "out/sub/deeper/c.TXT.html"},
                   0,
                   "Converted 2 files.\n"},
        LayoutCase{"OneFileIntoAnOutputFolder", {"in/sub/b.txt", "--output-dir", "out"}, {"out/.scrivane-manifest.json", "out/b.txt.html"}, 0,
                   "Converted 1 file.\n"},
        LayoutCase{"NamedHiddenFileIsTaken", {"in/.e.txt", "in/a.txt"}, {"in/.e.txt.html", "in/a.txt.html"}, 0,
                   "Converted 2 files.\n"},
        LayoutCase{"SameNameTwice",
                   {"in/a.txt", "other/a.txt", "--output-dir", "out"},
                   {"out/.scrivane-manifest.json", "out/a.txt.html"},
                   1,
                   "scrivane-convert: out/a.txt.html would also be the output of in/a.txt\n"
                   "Converted 1 of 2 files; 1 failed.\n"},
        LayoutCase{"FolderWithoutTextFiles",
                   {"empty", "in"},
                   {"in/a.txt.html"},
                   1,
                   "scrivane-convert: No files named *.txt in the folder empty\n"
                   "Converted 1 of 2 files; 1 failed.\n"}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

// Runs the program on a pseudo-terminal and returns everything it printed there.
std::string RunOnTerminal(const Sandbox& sandbox, const std::vector<std::string>& arguments, int& status) {
  int terminal = -1;
  std::vector<char*> argv{const_cast<char*>(SCRIVANE_CONVERT)}, env;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  std::vector<std::string> environment = sandbox.Environment();
  for (std::string& variable : environment) env.push_back(variable.data());
  argv.push_back(nullptr);
  env.push_back(nullptr);
  const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child == 0) {
    if (chdir(sandbox.Folder().c_str()) != 0) _exit(127);
    execve(SCRIVANE_CONVERT, argv.data(), env.data());
    _exit(127);
  }
  std::string printed;
  char buffer[4096];
  for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) printed.append(buffer, static_cast<std::size_t>(n));
  close(terminal);
  int wait = 0;
  waitpid(child, &wait, 0);
  status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
  return printed;
}

TEST(Batch, ProgressLineOnlyOnATerminal) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  sandbox.Write("a.txt", "a\n");
  sandbox.Write("b.txt", "b\n");
  int status = -1;
  const std::string terminal = RunOnTerminal(sandbox, {"a.txt", "missing.txt", "b.txt", "-j", "1"}, status);
  EXPECT_EQ(status, 1);
  // The finished line shows the count; the failure is printed on a cleared line; the line is cleared at the end.
  EXPECT_NE(terminal.find("\r\x1b[K[3/3] b.txt"), std::string::npos) << terminal;
  EXPECT_NE(terminal.find("\r\x1b[Kscrivane-convert: Input File missing.txt not found"), std::string::npos) << terminal;
  EXPECT_TRUE(terminal.ends_with("\r\x1b[KConverted 2 of 3 files; 1 failed.\r\n")) << terminal;

  const Outcome piped = sandbox.Run({"a.txt", "b.txt", "--force"});
  EXPECT_EQ(piped.err, "Converted 2 files.\n");  // no progress line when standard error is not a terminal
}

// A name longer than the terminal is cut between characters, to the terminal's width in characters.
TEST(Batch, ProgressLineCutsBetweenCharacters) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  QString name;
  for (int i = 0; i < 40; ++i) name += QString::fromUtf8("é€");  // 84 characters, 204 bytes
  name += QStringLiteral(".txt");
  sandbox.Write(name.toStdString(), "a\n");
  sandbox.Write("b.txt", "b\n");
  int status = -1;
  const std::string terminal = RunOnTerminal(sandbox, {"b.txt", name.toStdString(), "-j", "1"}, status);
  EXPECT_EQ(status, 0);
  const std::string start = "\r\x1b[K[2/2] ";
  const std::size_t at = terminal.find(start);
  ASSERT_NE(at, std::string::npos) << terminal;
  const std::size_t from = at + 4;  // after the carriage return and the clearing sequence
  const std::string line = terminal.substr(from, terminal.find('\r', from) - from);
  const QString shown = QString::fromUtf8(line);
  EXPECT_EQ(shown.toUtf8().toStdString(), line) << "not whole UTF-8 characters: " << line;
  EXPECT_EQ(shown.size(), 79) << line;  // the pseudo-terminal reports no width: 80 columns
  EXPECT_TRUE(name.startsWith(shown.mid(6))) << line;
}

}  // namespace
}  // namespace scrivane
