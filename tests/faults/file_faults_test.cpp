// The command line when the file system fails it: an output folder nobody may
// write, a full disk, a file size limit, an input it may not or cannot read. Each
// run must end with status 1 and a message naming the file and the reason, leave
// an existing output file as it was, and leave no working files behind.
#include <gtest/gtest.h>

#include <functional>

#include "fault_helpers.h"

namespace scrivane::faults {
namespace {

const std::string kOldOutput = "the previous document\n";

// One way of failing: how to arrange it, and what the message must say.
struct FileFault {
  const char* name;
  // Arranges the fault in the sandbox around files/in.txt (and an existing
  // files/in.txt.html); returns why it cannot be arranged here, or "".
  std::function<std::string(Sandbox& box, Launch& launch)> arrange;
  const char* failingFile;  // "in.txt" or "in.txt.html"
  const char* reason;       // part of the message
  bool keepsOldOutput;      // an existing output file is there and must stay as it was
};

class FileFaultTest : public testing::TestWithParam<FileFault> {};

TEST_P(FileFaultTest, FailsCleanlyAndLeavesTheOutputAsItWas) {
  Sandbox box(SCRIVANE_PROGRAM);
  WriteFile(box / "in.txt", LargeText(2000));
  WriteFile(box / "in.txt.html", kOldOutput);
  Launch launch;
  const std::string skip = GetParam().arrange(box, launch);
  if (!skip.empty()) GTEST_SKIP() << skip;
  const std::vector<std::string> before = box.Entries();

  const Outcome outcome = box.Run({(box / "in.txt").string()}, launch);

  EXPECT_EQ(outcome.status, 1) << outcome.err;
  EXPECT_EQ(outcome.signal, 0);
  EXPECT_NE(outcome.err.find((box / GetParam().failingFile).string()), std::string::npos) << outcome.err;
  EXPECT_NE(outcome.err.find(GetParam().reason), std::string::npos) << outcome.err;
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(box.Entries(), before);
  if (GetParam().keepsOldOutput) {
    EXPECT_EQ(ReadFile(box / "in.txt.html"), kOldOutput);
  }
}

std::string Name(const testing::TestParamInfo<FileFault>& info) { return info.param.name; }

// The output folder cannot be written, as nobody may: as root, the program runs
// as "nobody" beside an output file nobody owns; otherwise the folder loses its
// write permission.
std::string FolderNotWritable(Sandbox& box, Launch& launch) {
  if (geteuid() == 0) {
    if (!CanDropPrivileges()) return "cannot run the program as another user (setpriv)";
    launch.wrapper = AsNobody();
    if (chown((box / "in.txt.html").c_str(), 65534, 65534) != 0) return "cannot give the output file away";
  } else {
    fs::permissions(box.Folder(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  }
  return {};
}

// The folder is a read-only mount: not even root may write it.
std::string ReadOnlyMount(Sandbox& box, Launch& launch) {
  if (!CanMountPrivately()) return "private mount namespaces are not available (unshare)";
  const std::string folder = box.Folder().string();
  launch.wrapper = InMountNamespace("mount --bind '" + folder + "' '" + folder + "' && mount -o remount,bind,ro '" +
                                    folder + "'");
  return {};
}

// The output is the always-full device.
std::string DiskFull(Sandbox& box, Launch&) {
  fs::remove(box / "in.txt.html");
  fs::create_symlink("/dev/full", box / "in.txt.html");
  return {};
}

// Files may not grow past 64 KiB; the signal that would end the program is ignored.
std::string FileSizeLimit(Sandbox&, Launch& launch) {
  launch.fileSizeLimit = 64 * 1024;
  launch.ignoreFileSizeSignal = true;
  return {};
}

// The input exists but may not be read.
std::string InputUnreadable(Sandbox& box, Launch& launch) {
  fs::permissions(box / "in.txt", fs::perms::none);
  if (geteuid() == 0) {
    if (!CanDropPrivileges()) return "cannot run the program as another user (setpriv)";
    launch.wrapper = AsNobody();
  }
  return {};
}

// The input opens but every read fails (a file of the kernel's that cannot be read
// from its start).
std::string InputReadFails(Sandbox& box, Launch&) {
  fs::remove(box / "in.txt");
  fs::create_symlink("/proc/self/mem", box / "in.txt");
  return {};
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FileFaultTest,
    testing::Values(FileFault{"FolderNotWritable", FolderNotWritable, "in.txt.html", "Permission denied", true},
                    FileFault{"ReadOnlyMount", ReadOnlyMount, "in.txt.html", "Read-only file system", true},
                    FileFault{"DiskFull", DiskFull, "in.txt.html", "No space left on device", false},
                    FileFault{"FileSizeLimit", FileSizeLimit, "in.txt.html", "File too large", true},
                    FileFault{"InputUnreadable", InputUnreadable, "in.txt", "Permission denied", true},
                    FileFault{"InputReadFails", InputReadFails, "in.txt", "Input/output error", true}),
    Name);

// A filesystem of 192 KiB that the document does not fit on. The mount lives
// only as long as its namespace, so the shell around the program reports what
// the folder held afterwards.
TEST(TinyFilesystem, FullDiskFailsCleanly) {
  if (!CanMountPrivately()) GTEST_SKIP() << "private mount namespaces are not available (unshare)";
  Sandbox box(SCRIVANE_PROGRAM);
  const std::string source = (box / "source.txt").string();
  WriteFile(source, LargeText(1000));  // about 90 KB; the document is about three times that
  const fs::path tiny = box / "tiny";
  fs::create_directory(tiny);
  const fs::path report = box.Folder().parent_path() / "report";
  Launch launch;
  launch.wrapper = {"unshare", "-r", "-m", "sh", "-c",
                    "mount -t tmpfs -o size=192k none '" + tiny.string() + "' && cp '" + source + "' '" +
                        tiny.string() + "/in.txt' && printf 'old' > '" + tiny.string() + "/in.txt.html' && \"$0\" \"$@\"; "
                        "status=$?; ls -A '" + tiny.string() + "' > '" + report.string() + ".ls'; cat '" +
                        tiny.string() + "/in.txt.html' > '" + report.string() + ".out'; exit $status"};
  const Outcome outcome = box.Run({(tiny / "in.txt").string()}, launch);
  EXPECT_EQ(outcome.status, 1) << outcome.err;
  EXPECT_NE(outcome.err.find((tiny / "in.txt.html").string() + ": No space left on device"), std::string::npos)
      << outcome.err;
  EXPECT_EQ(ReadFile(report.string() + ".ls"), "in.txt\nin.txt.html\n");
  EXPECT_EQ(ReadFile(report.string() + ".out"), "old");
}

// Removing the input while it is being read takes nothing from the run: the open
// file stays readable, so the whole text is converted.
TEST(InputRemoved, DuringTheRunTheWholeTextIsConverted) {
  Sandbox box(SCRIVANE_PROGRAM);
  const std::size_t lines = 400000;
  WriteFile(box / "in.txt", LargeText(lines));
  const pid_t pid = box.Start({(box / "in.txt").string()});
  ASSERT_TRUE(WaitUntilRead(pid, box / "in.txt", 0)) << "the program ended before it read its input";
  fs::remove(box / "in.txt");
  const Outcome outcome = box.Wait(pid);
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  const std::string document = ReadFile(box / "in.txt.html");
  EXPECT_NE(document.find("line " + std::to_string(lines - 1) + ": see"), std::string::npos);
  EXPECT_TRUE(document.ends_with("</BODY></HTML>\r\n"));
  EXPECT_EQ(box.Entries(), std::vector<std::string>{"in.txt.html"});
}

}  // namespace
}  // namespace scrivane::faults
