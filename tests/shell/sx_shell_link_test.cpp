// The shortcut writer's own rules, over a link object held in memory: the
// hot-key and show-command mappings, the path flags, buffer sizes and
// limits, failure codes and the design-time settings.
#include "shell/sx_shell_link.h"

#include <gtest/gtest.h>

#include "platform/com_result.h"
#include "shell/fake_link_object.h"
#include "shell/shell_errors.h"

namespace vor {
namespace {

using testing::FakeLinkObject;
using testing::FakeLinkState;

constexpr int32_t kAccessDenied = static_cast<int32_t>(0x80070005u);

VersionSource Major(uint32_t major) {
  return [major](platform::OSVersionInfo* v) {
    v->platform_id = platform::kPlatformWin32NT;
    v->major = major;
    return true;
  };
}

class SxShellLinkTest : public ::testing::Test {
 protected:
  TSxWinShellLink::LinkFactory Factory() {
    return [this] {
      state_ = std::make_shared<FakeLinkState>();
      ++links_made_;
      return platform::ShellLinkCreation{0, std::make_unique<FakeLinkObject>(state_)};
    };
  }
  std::unique_ptr<TSxWinShellLink> Make(uint32_t major = 6) {
    return std::make_unique<TSxWinShellLink>(Factory(), Major(major));
  }

  std::shared_ptr<FakeLinkState> state_;
  int links_made_ = 0;
};

TEST_F(SxShellLinkTest, HotKeyWordAndShortCut) {
  struct Case {
    TShortCut written;
    uint16_t word;
    TShortCut read_back;
  };
  const Case cases[] = {
      {0xC046, 0x0646, 0xC046},  // Ctrl+Alt+F
      {0x2041, 0x0141, 0x2041},  // Shift+A
      {0xE070, 0x0770, 0xE070},  // Shift+Ctrl+Alt+F1
      {0x0070, 0x0070, 0x0070},  // F1 alone
      {0x0000, 0x0000, 0x0000},
      // The low 13 bits are the key part: bit 8 lands on the Shift bit of
      // the word, which reads back as Shift.
      {0x0146, 0x0146, 0x2046},
  };
  auto link = Make();
  for (const Case& c : cases) {
    link->SetHotKey(c.written);
    EXPECT_EQ(state_->hotkey, c.word) << std::hex << c.written;
    EXPECT_EQ(link->GetHotKey(), c.read_back) << std::hex << c.written;
  }
}

TEST_F(SxShellLinkTest, ModifiersIncludeTheExtendedBit) {
  auto link = Make();
  state_->hotkey = 0x0D46;  // Shift, Alt, extended + F
  EXPECT_EQ(link->GetModifiers(), hkShift | hkAlt | hkExt);
  EXPECT_EQ(link->HotKeyCode(), 0x46);
  EXPECT_EQ(link->GetHotKey(), 0xA046);  // the extended bit has no TShortCut bit
  link->SetModifiers(hkCtrl | hkExt);
  EXPECT_EQ(state_->hotkey, 0x0A46);
}

TEST_F(SxShellLinkTest, ShowCommandMapping) {
  auto link = Make();
  const std::pair<TSxShowCmd, int32_t> written[] = {
      {TSxShowCmd::scShowNormal, 1},
      {TSxShowCmd::scShowMaximized, 3},
      {TSxShowCmd::scShowMinimized, 2},
      {static_cast<TSxShowCmd>(7), 1},
  };
  for (const auto& [value, command] : written) {
    link->SetShowCmd(value);
    EXPECT_EQ(state_->show_cmd, command);
  }
  const std::pair<int32_t, TSxShowCmd> read[] = {
      {1, TSxShowCmd::scShowNormal},
      {2, TSxShowCmd::scShowMinimized},
      {3, TSxShowCmd::scShowMaximized},
  };
  for (const auto& [command, value] : read) {
    state_->show_cmd = command;
    EXPECT_EQ(link->GetShowCmd(), value);
  }
  for (const int32_t unknown : {0, 4, 7, -1}) {
    state_->show_cmd = unknown;
    try {
      link->GetShowCmd();
      ADD_FAILURE() << unknown;
    } catch (const ESxShellLink& e) {
      EXPECT_STREQ(e.what(), "Unknown SW_SHOW*** code returned by Windows Shell");
    }
  }
}

TEST_F(SxShellLinkTest, PathFlagChoosesTheGetPathFlag) {
  auto link = Make();
  EXPECT_EQ(link->GetPathFlag(), TSxPathFlag::pfShortPath);
  const std::pair<TSxPathFlag, uint32_t> cases[] = {
      {TSxPathFlag::pfShortPath, 1}, {TSxPathFlag::pfUNCPriority, 2}, {TSxPathFlag::pfRawPath, 4}};
  link->SetPath("C:\\App\\app.exe");
  for (const auto& [flag, bits] : cases) {
    link->SetPathFlag(flag);
    EXPECT_EQ(link->GetPath(), "C:\\App\\app.exe");
    EXPECT_EQ(state_->last_path_flags, bits);
  }
  EXPECT_EQ(link->FindData().file_name, "target");
  link->SetPathFlag(static_cast<TSxPathFlag>(3));
  state_->calls.clear();
  try {
    link->GetPath();
    ADD_FAILURE();
  } catch (const ESxShellLink& e) {
    EXPECT_STREQ(e.what(), "SLGP_*** flag value is unknown");
  }
  EXPECT_TRUE(state_->calls.empty());
}

TEST_F(SxShellLinkTest, DescriptionBufferFollowsTheMajorVersion) {
  struct Case {
    uint32_t major;
    int32_t size;
  };
  for (const Case& c : {Case{3, 260}, Case{4, 260}, Case{5, 1024}, Case{6, 1024}, Case{10, 1024}}) {
    EXPECT_EQ(Make(c.major)->DescriptionBufferSize(), c.size) << c.major;
  }
  const VersionSource none = [](platform::OSVersionInfo*) { return false; };
  EXPECT_EQ(TSxWinShellLink(Factory(), none).DescriptionBufferSize(), 260);

  // A description longer than the buffer reads back cut to the buffer.
  auto old_system = Make(4);
  state_->description = std::string(1500, 'd');
  state_->arguments = std::string(1500, 'a');
  EXPECT_EQ(old_system->GetDescription().size(), 259u);
  EXPECT_EQ(old_system->GetArguments().size(), 259u);
  auto new_system = Make(5);
  state_->description = std::string(1500, 'd');
  EXPECT_EQ(new_system->GetDescription().size(), 1023u);
}

TEST_F(SxShellLinkTest, ValuesLongerThanTheirBufferAreRefused) {
  struct Case {
    const char* property;
    void (TSxWinShellLink::*set)(const std::string&);
    std::string FakeLinkState::*field;
    size_t fits;
  };
  const Case cases[] = {
      {"Path", &TSxWinShellLink::SetPath, &FakeLinkState::path, 259},
      {"WorkingDirectory", &TSxWinShellLink::SetWorkingDirectory, &FakeLinkState::working_directory,
       259},
      {"IconLocationPath", &TSxWinShellLink::SetIconLocationPath, &FakeLinkState::icon_path, 259},
      {"Description", &TSxWinShellLink::SetDescription, &FakeLinkState::description, 1023},
      {"Arguments", &TSxWinShellLink::SetArguments, &FakeLinkState::arguments, 1023},
  };
  auto link = Make(5);
  for (const Case& c : cases) {
    ((*link).*c.set)(std::string(c.fits, 'x'));
    EXPECT_EQ((*state_).*c.field, std::string(c.fits, 'x'));
    try {
      ((*link).*c.set)(std::string(c.fits + 1, 'y'));
      ADD_FAILURE() << c.property;
    } catch (const ESxShellLink& e) {
      EXPECT_EQ(e.what(), std::string("TSxWinShellLink.") + c.property + " - value longer than " +
                              std::to_string(c.fits) + " characters");
    }
    EXPECT_EQ((*state_).*c.field, std::string(c.fits, 'x')) << c.property;
  }
  auto old_system = Make(4);
  EXPECT_THROW(old_system->SetDescription(std::string(260, 'd')), ESxShellLink);
  EXPECT_NO_THROW(old_system->SetDescription(std::string(259, 'd')));
}

TEST_F(SxShellLinkTest, IconPathAndIndexKeepEachOther) {
  auto link = Make();
  link->SetIconLocationIndex(3);
  link->SetIconLocationPath("C:\\new.ico");
  EXPECT_EQ(link->GetIconLocationIndex(), 3);
  EXPECT_EQ(link->GetIconLocationPath(), "C:\\new.ico");
  link->SetIconLocationPath("C:\\other.ico");
  link->SetIconLocationIndex(5);
  EXPECT_EQ(link->GetIconLocationPath(), "C:\\other.ico");
  EXPECT_EQ(link->GetIconLocationIndex(), 5);
}

TEST_F(SxShellLinkTest, NewLinkStartsFromAnEmptyLink) {
  auto link = Make();
  link->SetDescription("Old caption");
  link->SetPathFlag(TSxPathFlag::pfRawPath);
  TSxSTGM stgm;
  stgm.Access = TSxSTGMAccess::stgmReadWrite;
  stgm.DeleteOnRelease = true;
  link->SetSTGM(stgm);
  link->NewLink();
  EXPECT_EQ(links_made_, 2);
  EXPECT_EQ(link->GetDescription(), "");
  // The path flag and the storage settings belong to the component.
  EXPECT_EQ(link->GetPathFlag(), TSxPathFlag::pfRawPath);
  EXPECT_EQ(link->GetSTGM().Access, TSxSTGMAccess::stgmReadWrite);
  EXPECT_TRUE(link->GetSTGM().DeleteOnRelease);
}

TEST_F(SxShellLinkTest, FailureCodesRaiseTheSystemMessage) {
  auto link = Make();
  const char* calls[] = {"SetDescription",
                         "GetDescription",
                         "SetIconLocation",
                         "GetIconLocation",
                         "GetHotkey",
                         "SetShowCmd",
                         "Save"};
  for (const char* call : calls) {
    state_->fail_call = call;
    state_->fail_code = kAccessDenied;
    try {
      const std::string name = call;
      if (name == "SetDescription") link->SetDescription("x");
      if (name == "GetDescription") link->GetDescription();
      if (name == "SetIconLocation") link->SetIconLocationIndex(1);
      if (name == "GetIconLocation") link->SetIconLocationPath("x.ico");
      if (name == "GetHotkey") link->GetHotKey();
      if (name == "SetShowCmd") link->SetShowCmd(TSxShowCmd::scShowMinimized);
      if (name == "Save") link->SaveToFile("x.lnk");
      ADD_FAILURE() << call;
    } catch (const EShellCallError& e) {
      EXPECT_EQ(e.Code(), kAccessDenied) << call;
      EXPECT_EQ(e.what(), platform::ResultMessage(kAccessDenied)) << call;
    }
  }
  // Success codes other than 0 pass.
  state_->fail_call = "SetPath";
  state_->fail_code = platform::kResultFalse;
  EXPECT_NO_THROW(link->SetPath("x"));
}

TEST_F(SxShellLinkTest, LinkObjectCreationFailures) {
  const auto no_object = [] { return platform::ShellLinkCreation{0, nullptr}; };
  try {
    TSxWinShellLink link(no_object, Major(6));
    ADD_FAILURE();
  } catch (const ESxShellLink& e) {
    EXPECT_STREQ(e.what(), "Unable to get ShellLink object");
  }
  constexpr int32_t kNotInitialized = static_cast<int32_t>(0x800401F0u);
  const auto refused = [] { return platform::ShellLinkCreation{kNotInitialized, nullptr}; };
  try {
    TSxWinShellLink link(refused, Major(6));
    ADD_FAILURE();
  } catch (const EShellCallError& e) {
    EXPECT_EQ(e.Code(), kNotInitialized);
    EXPECT_EQ(e.what(), platform::ResultMessage(kNotInitialized));
  }
}

TEST_F(SxShellLinkTest, DesignTimeSettings) {
  auto link = Make();
  state_->hotkey = 0x0646;
  state_->show_cmd = 3;
  state_->icon_index = 4;
  state_->icon_path = "C:\\a.ico";
  link->SetPathFlag(TSxPathFlag::pfRawPath);
  link->ApplyDesignTimeSettings();
  EXPECT_EQ(state_->hotkey, 0);
  EXPECT_EQ(state_->show_cmd, 1);
  EXPECT_EQ(state_->icon_index, 0);
  EXPECT_EQ(state_->icon_path, "C:\\a.ico");
  EXPECT_EQ(link->GetPathFlag(), TSxPathFlag::pfShortPath);
  const TSxSTGM& stgm = link->GetSTGM();
  EXPECT_EQ(stgm.Access, TSxSTGMAccess::stgmRead);
  EXPECT_EQ(stgm.Creation, TSxSTGMCreation::stgmFailIfThere);
  EXPECT_FALSE(stgm.DeleteOnRelease);
  EXPECT_EQ(stgm.Performance, TSxSTGMPerformance::stgmPerfNone);
  EXPECT_EQ(stgm.Sharing, TSxSTGMSharing::stgmShareDenyNone);
  EXPECT_EQ(stgm.Simple, TSxSTGMSWMRSimple::stgmNone);
  EXPECT_EQ(stgm.Transactioning, TSxSTGMTransactioning::stgmDirect);
}

}  // namespace
}  // namespace vor
