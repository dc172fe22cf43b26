// The installation run against the shell subsystem's own in-memory services
// (the fake its tests hold to the real ones): every shell call lands where
// the run means it to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/installer_fixture.h"
#include "shell/fake_shell_services.h"

namespace vor {
namespace {

using C = ControlId;

const std::string kD(1, platform::PathDelimiter());

class ShellServicesRunTest : public testing::InstallerTest {};

TEST_F(ShellServicesRunTest, TheRunReachesTheShellWhereItMeansTo) {
  struct Case {
    bool all_users;
    const char* programs;
    const char* desktop;
  };
  const std::string program = MakeInstaller({
      {"\\JOB.INI", "Appname=App\r\nExename=app.exe\r\npregister0=PDIR\\srv.dll\r\n"},
      {"\\MENU.DAT", "Path=Group\r\nApp=PDIR\\app.exe\r\n"},
      {"\\EXECS.DAT", "Postexec=PDIR\\after.exe\r\n"},
      {"\\Programfiles\\app.exe", "app"},
  });
  for (const Case& c : {Case{true, "CP", "CD"}, Case{false, "UP", "UD"}}) {
    SCOPED_TRACE(c.all_users ? "all users" : "this user");
    const std::string dest = Path(c.programs) + "-dest";
    testing::FakeShellServices shell;
    shell.programs = "UP";
    shell.desktop = "UD";
    shell.common_programs = "CP";
    shell.common_desktop = "CD";
    shell.app_data = "AD";
    shell.folders = {"CD", "UD",
                     "AD" + kD + "Microsoft" + kD + "Internet Explorer" + kD + "Quick Launch"};
    shell.servers[dest + "\\srv.dll"] = 0;
    shell.files.insert(dest + "\\after.exe");

    form_ = std::make_unique<TForm1>();
    FormServices services = fakes_.For(program);
    services.shell = &shell;
    form_->SetServices(services);
    form_->FormShow();
    form_->SetText(C::eDestDir, dest);
    form_->SetActivePage(C::tsinstall);
    // The all-users test ran on the way in real use; here the choice is set.
    form_->SetChecked(C::cbAllUsers, c.all_users);
    form_->SetChecked(C::cbThisUser, !c.all_users);
    form_->Click(C::bNext);
    ASSERT_EQ(form_->ActivePage(), C::tsComplete);

    const std::string quick =
        "AD" + kD + "Microsoft" + kD + "Internet Explorer" + kD + "Quick Launch" + kD + "App.lnk";
    const std::string start = std::string(c.programs) + kD + "Group" + kD + "App.lnk";
    const std::string desktop = std::string(c.desktop) + kD + "App.lnk";
    EXPECT_EQ(ReadAll(dest + kD + "install.log"),
              "*App\r\napp.exe\r\n" + start + "\r\n" + desktop + "\r\n" + quick +
                  "\r\nREG:" + dest + "\\srv.dll\r\nExec:" + dest + "\\after.exe\r\n");
    const auto& saved = shell.FakeLink().saved;
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved[0].file, start);
    EXPECT_EQ(saved[0].description, "App");
    EXPECT_EQ(saved[0].working_directory, dest);
    EXPECT_EQ(saved[0].path, dest + "\\app.exe");
    EXPECT_EQ(saved[0].icon_path, dest + "\\app.exe");
    EXPECT_EQ(saved[0].icon_index, 0);
    EXPECT_EQ(shell.registered, std::vector<std::string>{dest + "\\srv.dll"});
    ASSERT_EQ(shell.launched.size(), 1u);
    EXPECT_EQ(shell.launched[0].first, dest + "\\after.exe");
    form_.reset();
  }
}

}  // namespace
}  // namespace vor
