// The job read from a container: the files in their order, the handler that
// sees each, and a reading that ends part-way.
#include "package/job.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/error.h"
#include "container/coffer.h"
#include "package/install_error.h"
#include "platform/test_temp_dir.h"
#include "support/container_files.h"

namespace vor {
namespace {

class PackageJobTest : public testing::TempDirTest {
 protected:
  // A container under the job's password holding files (name, bytes).
  std::unique_ptr<TCoffer> Container(
      const std::vector<std::pair<std::string, std::string>>& files) {
    const std::string path = Path("job.cfr");
    {
      TCoffer coffer(path, 0xFFFF, kJobPassword, "", "", 1);
      for (const auto& f : files) testing::StoreFile(coffer, JobFilePath(f.first), f.second, 1);
    }
    return OpenJobContainer(path);
  }
};

TEST_F(PackageJobTest, FilesAreReadInTheirOrderAndEachHandedOn) {
  // Stored in another order than the one they are read in.
  auto container = Container({{kReadmeFile, "readme"},
                              {kExecsFile, "Postexec=PDIR\\x.exe\r\n"},
                              {kJobIniFile, "appname=App\r\nExename=x.exe\r\nUninstall=1\r\n"},
                              {kMenuFile, "Path=G\r\nApp=PDIR\\x.exe\r\n"},
                              {kLicenseFile, "licence"}});
  Job job;
  std::vector<std::pair<JobFileKind, std::string>> seen;
  ReadJob(*container, &job,
          [&seen](JobFileKind kind, const std::string& bytes) { seen.emplace_back(kind, bytes); });
  const std::vector<JobFileKind> order = {JobFileKind::kJobIni, JobFileKind::kMenu,
                                          JobFileKind::kExecs, JobFileKind::kLicense,
                                          JobFileKind::kReadme};
  ASSERT_EQ(seen.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(seen[i].first, order[i]) << i;
  EXPECT_EQ(seen[3].second, "licence");
  EXPECT_EQ(job.AppName(), "App");  // keys are found without regard to case
  EXPECT_EQ(job.ExeName(), "x.exe");
  EXPECT_TRUE(job.WantsUninstaller());
  EXPECT_EQ(job.menu.Values(job_key::kMenuPath), "G");
  EXPECT_EQ(job.execs.Values(job_key::kPostExec), "PDIR\\x.exe");
  EXPECT_EQ(job.shortcuts.Count(), 0);
  EXPECT_EQ(job.icon, nullptr);
}

TEST_F(PackageJobTest, AFailureEndsTheReadingAndKeepsWhatWasRead) {
  struct Case {
    const char* what;
    JobFileKind failing;  // the handler raises for this file
    int menu_lines;       // MENU.DAT comes after JOB.INI and before EXECS.DAT
    int execs_lines;
  };
  const Case cases[] = {
      {"at the menu", JobFileKind::kMenu, 2, 0},
      {"at the licence", JobFileKind::kLicense, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto container = Container({{kJobIniFile, "Appname=App\r\n"},
                                {kMenuFile, "Path=G\r\nApp=PDIR\\x.exe\r\n"},
                                {kExecsFile, "Postexec=x\r\n"},
                                {kLicenseFile, "licence"}});
    Job job;
    EXPECT_THROW(ReadJob(*container, &job,
                         [&c](JobFileKind kind, const std::string&) {
                           if (kind == c.failing) throw EVorError("refused", ErrorKind::kDamaged);
                         }),
                 EVorError);
    EXPECT_EQ(job.Value(job_key::kAppName), "App");
    EXPECT_EQ(job.menu.Count(), c.menu_lines);
    EXPECT_EQ(job.execs.Count(), c.execs_lines);
  }
}

TEST_F(PackageJobTest, TheIconNamedByTheJobIsCheckedAfterTheFiles) {
  auto container =
      Container({{kJobIniFile, "Icon=app.ico\r\nAppname=App\r\n"}, {"app.ico", "not an icon"}});
  Job job;
  try {
    ReadJob(*container, &job);
    ADD_FAILURE() << "an icon in another format was taken";
  } catch (const EInstallError& e) {
    EXPECT_EQ(e.Kind(), InstallErrorKind::kIconFormat);
  }
  // JOB.INI was read; the names are taken only by a reading that succeeds.
  EXPECT_EQ(job.Value(job_key::kAppName), "App");
  EXPECT_EQ(job.AppName(), "");
}

}  // namespace
}  // namespace vor
