// A settings file that is random bytes, holds huge values, or cannot be read:
// the program starts with what it can use (defaults for the rest) and converts.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "fault_helpers.h"

namespace scrivane::faults {
namespace {

const std::string kText = "Plain words, www.example.org and someone@example.org.\n\nA second paragraph.\n";


std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
  return bytes;
}

struct DamagedStore {
  const char* name;
  // Damages the store in the sandbox; returns why that cannot be done here, or "".
  std::function<std::string(Sandbox& box, Launch& launch)> damage;
  bool givesDefaults;       // the document is exactly the one an empty store gives
  const char* mustContain;  // else: a part the document must hold
};

class DamagedStoreTest : public testing::TestWithParam<DamagedStore> {};

TEST_P(DamagedStoreTest, StartsAndConverts) {
  Sandbox box(SCRIVANE_PROGRAM);
  const std::string input = (box / "in.txt").string();
  WriteFile(input, kText);
  ASSERT_EQ(box.Run({input}).status, 0);
  const std::string defaults = Masked(ReadFile(input + ".html"));
  fs::remove(input + ".html");

  Launch launch;
  const std::string skip = GetParam().damage(box, launch);
  if (!skip.empty()) GTEST_SKIP() << skip;
  const Outcome outcome = box.Run({input}, launch);
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.signal, 0);
  const std::string document = Masked(ReadFile(input + ".html"));
  if (GetParam().givesDefaults) {
    EXPECT_EQ(document, defaults);
  } else {
    EXPECT_NE(document.find(GetParam().mustContain), std::string::npos) << document.substr(0, 2000);
    EXPECT_NE(document.find("A second paragraph."), std::string::npos);
  }
}

std::string Name(const testing::TestParamInfo<DamagedStore>& info) { return info.param.name; }

std::string Write(Sandbox& box, const std::string& content) {
  WriteFile(box.Ini(), content);
  return {};
}

INSTANTIATE_TEST_SUITE_P(
    Stores, DamagedStoreTest,
    testing::Values(
        DamagedStore{"RandomBytes", [](Sandbox& box, Launch&) { return Write(box, RandomBytes(65536, 1)); }, true, ""},
        DamagedStore{"RandomBytesInTheSection",
                     [](Sandbox& box, Launch&) { return Write(box, "[General]\n" + RandomBytes(65536, 2)); }, true, ""},
        DamagedStore{"RandomKeyLines",
                     [](Sandbox& box, Launch&) {
                       std::string ini = "[General]\n";
                       for (const char* key : {"OutFormat", "WebPage", "ChangeWWW", "Input", "ListType", "Centre"}) {
                         ini += std::string(key) + "=" + RandomBytes(40, 3).substr(0, 30) + "\n";
                       }
                       return Write(box, ini);
                     },
                     false, "<HTML>"},
        DamagedStore{"HugeNumbers",
                     [](Sandbox& box, Launch&) {
                       return Write(box, "[General]\nOutFormat=99999999999999999999999999\nInput=-1e308\n"
                                         "Output=1e999\nWebPage=18446744073709551617\nPositionTop=1e400\n"
                                         "PositionLeft=-99999999999999999999\nCentre=nan\nChangeWWW=inf\n");
                     },
                     true, ""},
        DamagedStore{"HugeTexts",
                     [](Sandbox& box, Launch&) {
                       const std::string big(512 << 10, 'x');  // five of them stay within a usable store
                       return Write(box, "[General]\nTitle=" + big + "\nFooter=" + big + "\nFontFace=" + big +
                                             "\nBGImage=" + big + "\nTarget=" + big + "\n");
                     },
                     false, "<TITLE>xxxxxxxx"},
        DamagedStore{"FontSizeAtTheLimitOfANumber",
                     [](Sandbox& box, Launch&) {
                       return Write(box, "[General]\nOutFormat=2\nWebPage=0\nFontSize=9223372036854775807\n");
                     },
                     false, "<FONT SIZE=\"9223372036854775807\">"},
        DamagedStore{"StoreTooLarge",
                     [](Sandbox& box, Launch&) {
                       return Write(box, "[General]\nWebPage=0\nTitle=" + std::string(8 << 20, 'y') + "\n");
                     },
                     true, ""},
        DamagedStore{"StoreIsAFolder",
                     [](Sandbox& box, Launch&) {
                       fs::create_directory(box.Ini());
                       return std::string();
                     },
                     true, ""},
        DamagedStore{"StoreUnreadable",
                     [](Sandbox& box, Launch& launch) {
                       WriteFile(box.Ini(), "[General]\nWebPage=0\nOutFormat=2\n");
                       fs::permissions(box.Ini(), fs::perms::none);
                       if (geteuid() == 0) {
                         if (!CanDropPrivileges()) return std::string("cannot run as another user (setpriv)");
                         launch.wrapper = AsNobody();
                         fs::permissions(box.Folder(), fs::perms::all);  // nobody writes the output there
                       }
                       return std::string();
                     },
                     true, ""}),
    Name);

}  // namespace
}  // namespace scrivane::faults
