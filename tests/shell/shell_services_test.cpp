// The contract of the shell services, held by the real services on a
// temporary folder and by the in-memory fake the installer's tests use.
#include "shell/shell_services.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/com.h"
#include "platform/platform_error.h"
#include "platform/test_temp_dir.h"
#include "shell/fake_shell_services.h"
#include "shell/shell_errors.h"

namespace vor {
namespace {

using testing::FakeShellServices;
using testing::TempDirTest;

struct Implementation {
  const char* name;
  std::function<std::unique_ptr<IShellServices>(const std::string& temp_dir)> make;
};

class ShellServicesContractTest : public TempDirTest,
                                  public ::testing::WithParamInterface<Implementation> {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    services_ = GetParam().make(dir_);
  }
  void TearDown() override {
    services_.reset();
    TempDirTest::TearDown();
  }
  std::string Sub(const std::string& a, const std::string& b = "") const {
    const std::string d(1, platform::PathDelimiter());
    return Path(a) + (b.empty() ? "" : d + b);
  }

  platform::ComApartment com_{platform::ComInit::kCoInitialize};
  std::unique_ptr<IShellServices> services_;
};

TEST_P(ShellServicesContractTest, ShortcutIntoAFolderMadeFirst) {
  IShellServices& s = *services_;
  ILinkWriter& link = s.Link();
  link.NewLink();
  link.SetDescription("Tool");
  EXPECT_EQ(link.GetDescription(), "Tool");
  link.SetWorkingDirectory(dir_);
  link.SetIconLocationPath(Sub("tool.exe"));
  link.SetIconLocationIndex(0);
  link.SetPath(Sub("tool.exe"));
  const std::string d(1, platform::PathDelimiter());
  EXPECT_THROW(link.SaveToFile(Sub("Menu", "Tools") + d + "Tool.lnk"), EShellCallError);

  EXPECT_FALSE(s.DiskFolderExists(Sub("Menu")));
  EXPECT_TRUE(s.CreateFolderPath(Sub("Menu", "Tools") + d));
  EXPECT_TRUE(s.DiskFolderExists(Sub("Menu")));
  EXPECT_TRUE(s.DiskFolderExists(Sub("Menu", "Tools")));
  EXPECT_NO_THROW(link.SaveToFile(Sub("Menu", "Tools") + d + link.GetDescription() + ".lnk"));

  link.NewLink();
  EXPECT_EQ(link.GetDescription(), "");
  EXPECT_THROW(link.SetDescription(std::string(1024, 'x')), ESxShellLink);
}

TEST_P(ShellServicesContractTest, RefusalsAndFailures) {
  IShellServices& s = *services_;
  try {
    s.CreateFolderPath("");
    ADD_FAILURE();
  } catch (const EShellMiscError& e) {
    EXPECT_STREQ(e.what(), "Unable to create directory");
  }
  EXPECT_FALSE(s.Launch(Sub("missing.exe"), ""));
  const std::string library = Sub("missing.dll");
  try {
    s.RegisterServerLibrary(library);
    ADD_FAILURE();
  } catch (const platform::EPlatformError& e) {
    const std::string text = e.what();
    ASSERT_GT(text.size(), library.size() + 2);
    EXPECT_EQ(text.substr(text.size() - library.size() - 2), ": " + library);
  }
}

const Implementation kImplementations[] = {
    {"Real",
     [](const std::string&) -> std::unique_ptr<IShellServices> {
       return std::make_unique<ShellServices>();
     }},
    {"Fake",
     [](const std::string& temp_dir) -> std::unique_ptr<IShellServices> {
       auto fake = std::make_unique<FakeShellServices>();
       fake->folders.insert(temp_dir);
       return fake;
     }},
};

INSTANTIATE_TEST_SUITE_P(Services, ShellServicesContractTest, ::testing::ValuesIn(kImplementations),
                         [](const ::testing::TestParamInfo<Implementation>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace vor
