// Converting again over an existing document: the new one keeps who may read
// it (mode, owner, group, access list), and a document with a second name
// (a hard link) is written through both names.
#include <sys/xattr.h>

#include <gtest/gtest.h>

#include "fault_helpers.h"

namespace scrivane::faults {
namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kStaff = 50;  // a group "nobody" is given for the runs that need one

// One document to convert over: how it is, who converts, and what it must be after.
struct KeptCase {
  const char* name;
  mode_t mode;
  uid_t owner;
  gid_t group;
  bool asNobody;        // converted by "nobody", a member of kStaff
  bool secondName;      // the document also has the name published.html
  bool accessList;      // an access list lets "nobody" read it
  mode_t expectedMode;
};

// An access list granting "nobody" reading, in the kernel's attribute format.
std::string AccessList() {
  struct Entry {
    std::uint16_t tag, permissions;
    std::uint32_t id;
  };
  // Owner rw, "nobody" r, group r, mask r, others nothing.
  const Entry entries[] = {{0x01, 6, ~0u}, {0x02, 4, kNobody}, {0x04, 4, ~0u}, {0x10, 4, ~0u}, {0x20, 0, ~0u}};
  const std::uint32_t version = 2;
  return std::string(reinterpret_cast<const char*>(&version), sizeof version) +
         std::string(reinterpret_cast<const char*>(entries), sizeof entries);
}

std::string AccessListOf(const fs::path& path) {
  char list[256];
  const ssize_t size = getxattr(path.c_str(), "system.posix_acl_access", list, sizeof list);
  return size < 0 ? std::string() : std::string(list, static_cast<std::size_t>(size));
}

class KeptAccessTest : public testing::TestWithParam<KeptCase> {};

TEST_P(KeptAccessTest, NewDocumentKeepsWhoMayReadIt) {
  const KeptCase& c = GetParam();
  if (geteuid() != 0) GTEST_SKIP() << "arranging owners and groups needs root";
  Sandbox box(SCRIVANE_PROGRAM);
  const fs::path input = box / "in.txt", output = box / "in.txt.html";
  WriteFile(input, "new text at www.example.org\n");
  WriteFile(output, "the previous document\n");
  ASSERT_EQ(chown(output.c_str(), c.owner, c.group), 0);
  ASSERT_EQ(chmod(output.c_str(), c.mode), 0);  // after chown, which clears the set-id bits
  if (c.secondName) fs::create_hard_link(output, box / "published.html");
  const std::string accessList = AccessList();
  if (c.accessList &&
      setxattr(output.c_str(), "system.posix_acl_access", accessList.data(), accessList.size(), 0) != 0) {
    GTEST_SKIP() << "no access lists here: " << std::strerror(errno);
  }
  const std::string list = AccessListOf(output);
  Launch launch;
  if (c.asNobody) {
    if (!CanDropPrivileges()) GTEST_SKIP() << "cannot run the program as another user (setpriv)";
    launch.wrapper = {"setpriv", "--reuid=65534", "--regid=65534", "--groups=" + std::to_string(kStaff), "--"};
    fs::permissions(box.Folder(), fs::perms::all);
  }
  const std::vector<std::string> before = box.Entries();

  const Outcome outcome = box.Run({input.string()}, launch);

  ASSERT_EQ(outcome.status, 0) << outcome.err;
  struct stat after {};
  ASSERT_EQ(stat(output.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, c.expectedMode) << std::oct << (after.st_mode & 07777);
  // A file written in place stays its owner's; a new one is its writer's unless given away.
  EXPECT_EQ(after.st_uid, c.asNobody && !c.secondName ? kNobody : c.owner);
  EXPECT_EQ(after.st_gid, c.group);
  EXPECT_EQ(AccessListOf(output), list);
  EXPECT_NE(ReadFile(output).find("<A HREF=\"http://www.example.org\">"), std::string::npos);
  if (c.secondName) {
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(ReadFile(box / "published.html"), ReadFile(output));
  }
  EXPECT_EQ(box.Entries(), before);  // no working file left beside them
}

INSTANTIATE_TEST_SUITE_P(
    Documents, KeptAccessTest,
    testing::Values(KeptCase{"Private", 0600, 0, 0, false, false, false, 0600},
                    KeptCase{"OthersOwnerAndSetGroup", 02640, kNobody, kStaff, false, false, false, 02640},
                    // "nobody" cannot give the file to root: the owner changes and the set-user bit goes,
                    // while the group, one of its own, stays with its set-group bit.
                    KeptCase{"ConvertedByAnotherUser", 06664, 0, kStaff, true, false, false, 02664},
                    KeptCase{"AccessList", 0640, 0, 0, false, false, true, 0640},
                    KeptCase{"SecondName", 0640, kNobody, kStaff, false, true, false, 0640},
                    KeptCase{"SecondNameByAnotherUser", 0664, 0, kStaff, true, true, false, 0664}),
    [](const testing::TestParamInfo<KeptCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scrivane::faults
