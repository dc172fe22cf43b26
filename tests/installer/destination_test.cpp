// The destination check before an installation, the space line, and the
// copy's byte meter over the sizes read from the container.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/engine/copy_meter.h"
#include "installer/engine/destination_check.h"
#include "installer/installer_fixture.h"
#include "platform/fs.h"

namespace vor {
namespace {

using testing::StoredFile;

const std::string kD(1, platform::PathDelimiter());

class DestinationTest : public testing::TempDirTest {};

TEST_F(DestinationTest, AcceptsAFolderThatIsThereOrCanBeMadeAndLeavesNothingBehind) {
  ASSERT_TRUE(WriteAll(Path("vorprobe.tmp"), "the user's own file"));
  struct Case {
    const char* what;
    std::string folder;
  };
  const Case cases[] = {
      {"existing, a file of the probe's name in it", dir_},
      {"existing, with a trailing delimiter", dir_ + kD},
      {"two levels to make", Path("Apps") + kD + "Editor"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const DestinationCheck check = CheckDestination(c.folder, 1000, FreeBytesAt);
    EXPECT_EQ(check.fault, DestinationFault::kNone) << check.message;
    EXPECT_EQ(check.message, "");
    // The folders made for the check and the probe are gone; the user's
    // file of the probe's name is untouched.
    EXPECT_FALSE(platform::DirectoryExists(Path("Apps")));
    EXPECT_FALSE(platform::FileExists(Path("vorprobe1.tmp")));
    EXPECT_EQ(ReadAll(Path("vorprobe.tmp")), "the user's own file");
  }
}

TEST_F(DestinationTest, RefusalsNameTheFolderAndTheReason) {
  ASSERT_TRUE(WriteAll(Path("plain"), "x"));
  const std::string below_file = Path("plain") + kD + "App";
  struct Case {
    const char* what;
    std::string folder;
    uint64_t needed;
    int64_t free;
    DestinationFault fault;
    std::string reason;
  };
  const Case cases[] = {
      {"a file on the way", below_file, 10, 1 << 20, DestinationFault::kCannotCreate,
       "The folder cannot be created: " + Path("plain") + " is a file."},
      {"no room", dir_, 3 << 20, 1536, DestinationFault::kNoRoom,
       "There is not enough space on its drive: 3.0 MB required, 1.5 KB available."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const DestinationCheck check =
        CheckDestination(c.folder, c.needed, [&](const std::string&) { return c.free; });
    EXPECT_EQ(check.fault, c.fault);
    EXPECT_EQ(check.message, "Cannot install into \"" + c.folder + "\".\r" + c.reason);
  }
  // Room that cannot be told refuses nothing; room just enough is enough.
  EXPECT_EQ(CheckDestination(dir_, 5000, [](const std::string&) { return -1; }).fault,
            DestinationFault::kNone);
  EXPECT_EQ(CheckDestination(dir_, 5000, [](const std::string&) { return 5000; }).fault,
            DestinationFault::kNone);
}

TEST_F(DestinationTest, TheFreeBytesAreAskedOfTheNearestExistingFolder) {
  const int64_t here = FreeBytesAt(dir_);
  ASSERT_GT(here, 0);
  const int64_t below = FreeBytesAt(Path("not") + kD + "yet" + kD + "made");
  // The same drive; other programs may write meanwhile.
  EXPECT_NEAR(static_cast<double>(below), static_cast<double>(here), 64.0 * 1048576);
  EXPECT_EQ(platform::NearestExistingFolder(Path("not") + kD + "yet"), dir_ + kD);
}

TEST(DestinationText, SizesAndTheSpaceLine) {
  struct Case {
    uint64_t bytes;
    const char* text;
  };
  const Case cases[] = {{0, "0 bytes"},
                        {1023, "1023 bytes"},
                        {1024, "1.0 KB"},
                        {1280, "1.2 KB"},        // 1.25: a tie goes to the even digit
                        {1792, "1.8 KB"},        // 1.75
                        {1048575, "1024.0 KB"},  // rounds up past the unit it was shown in
                        {1048576, "1.0 MB"},
                        {1258291, "1.2 MB"},
                        {41943040, "40.0 MB"},
                        {38010460570, "35.4 GB"},
                        {54116587110, "50.4 GB"},
                        {5ull << 40, "5.0 TB"},
                        {1ull << 60, "1048576.0 TB"}};  // no unit above TB
  for (const Case& c : cases) EXPECT_EQ(ByteSizeText(c.bytes), c.text) << c.bytes;
  EXPECT_EQ(SpaceLine(1258291, 38010460570), "Space required: 1.2 MB    Space available: 35.4 GB");
  EXPECT_EQ(SpaceLine(1258291, -1), "Space required: 1.2 MB");
}

TEST(CopyMeter, TurnsPerFilePercentagesIntoBytesOfTheWhole) {
  ProgramFilesSizes sizes;
  sizes.files = {{"a.txt", 100}, {"Bin\\big.bin", 1000}, {"zero.dat", 0}};
  sizes.total = 1100;
  CopyMeter meter(sizes);
  struct Step {
    const char* file;
    double percent;
    uint64_t done;
  };
  // The reports as the copy makes them: 0, per block, 100 twice.
  const Step steps[] = {
      {"a.txt", 0, 0},
      {"a.txt", 100, 100},
      {"a.txt", 100, 100},
      {"Bin\\big.bin", 0, 100},
      {"Bin\\big.bin", 25, 350},
      {"Bin\\big.bin", 50, 600},
      {"Bin\\big.bin", 100, 1100},
      {"zero.dat", 0, 1100},
      {"zero.dat", 100, 1100},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(s.file) + " " + std::to_string(s.percent));
    EXPECT_EQ(meter.Report(s.file, s.percent), s.done);
  }
  // A name the sizes do not know moves nothing, and nothing goes back.
  CopyMeter other(sizes);
  EXPECT_EQ(other.Report("Bin\\big.bin", 50), 500u);
  EXPECT_EQ(other.Report("unknown", 100), 1000u);
  EXPECT_EQ(other.Report("a.txt", 0), 1000u);
  EXPECT_EQ(other.Report("a.txt", 100), 1100u);
}

class MeasureTest : public testing::InstallerTest {};

TEST_F(MeasureTest, SizesAreTheUnpackedBytesByTheCopysNames) {
  const std::string program = MakeInstaller({
      {"\\JOB.INI", "Appname=X\r\n"},
      {"\\License.rtf", std::string(5000, 'l')},  // outside Programfiles
      {"\\Programfiles\\a.txt", "alpha"},
      {"\\Programfiles\\Bin\\packed.txt", std::string(300000, 'p')},
      {"\\Programfiles\\Empty", "", true},
      {"\\Programfiles\\zero.dat", ""},
  });
  auto container = OpenJobContainer(program);
  const ProgramFilesSizes sizes = MeasureProgramFiles(*container);
  EXPECT_EQ(sizes.total, 300005u);
  EXPECT_EQ(sizes.files.size(), 3u);
  EXPECT_EQ(sizes.files.at("a.txt"), 5u);
  EXPECT_EQ(sizes.files.at("Bin\\packed.txt"), 300000u);
  EXPECT_EQ(sizes.files.at("zero.dat"), 0u);
}

}  // namespace
}  // namespace vor
