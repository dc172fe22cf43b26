#include "shell/sx_shell_link.h"

#include "platform/com_result.h"
#include "shell/shell_errors.h"

namespace vor {

namespace {

constexpr int32_t kMaxPath = 260;  // the buffer of paths, with its zero byte

constexpr int32_t kShowNormal = 1;     // SW_SHOWNORMAL
constexpr int32_t kShowMinimized = 2;  // SW_SHOWMINIMIZED
constexpr int32_t kShowMaximized = 3;  // SW_SHOWMAXIMIZED

}  // namespace

TSxWinShellLink::TSxWinShellLink(LinkFactory factory, VersionSource version)
    : factory_(std::move(factory)),
      version_(std::move(version)),
      stgm_(std::make_unique<TSxSTGM>()) {
  // The constructor's call reaches this class's CreateLinkObject; a derived
  // class changes where links come from through the factory.
  NewLink();
}

TSxWinShellLink::~TSxWinShellLink() {
  link_.reset();
  stgm_.reset();
}

void TSxWinShellLink::ApplyDesignTimeSettings() {
  SetHotKey(0);
  SetIconLocationIndex(0);
  SetShowCmd(TSxShowCmd::scShowNormal);
  SetPathFlag(TSxPathFlag::pfShortPath);
  SetModifiers(0);
  SetSTGM(TSxSTGM());
}

void TSxWinShellLink::NewLink() { CreateLinkObject(); }

void TSxWinShellLink::CreateLinkObject() {
  link_.reset();
  platform::ShellLinkCreation creation =
      factory_ ? factory_() : platform::ShellLinkCreation{platform::kResultFail, nullptr};
  Check(creation.result);
  if (creation.link == nullptr)
    throw ESxShellLink("Unable to get ShellLink object", ErrorKind::kGeneral);
  link_ = std::move(creation.link);
}

void TSxWinShellLink::Check(int32_t result) {
  if (platform::ResultFailed(result)) {
    throw EShellCallError(result, platform::ResultMessage(result));
  }
}

void TSxWinShellLink::CheckLength(const char* property, const std::string& value,
                                  int32_t buffer_size) const {
  if (value.size() >= static_cast<size_t>(buffer_size)) {
    throw ESxShellLink(std::string("TSxWinShellLink.") + property + " - value longer than " +
                           std::to_string(buffer_size - 1) + " characters",
                       ErrorKind::kMisuse);
  }
}

platform::ShellLinkObject& TSxWinShellLink::Link() {
  if (link_ == nullptr) throw ESxShellLink("Unable to get ShellLink object", ErrorKind::kGeneral);
  return *link_;
}

int32_t TSxWinShellLink::DescriptionBufferSize() const {
  platform::OSVersionInfo version;
  if (version_ && version_(&version) && version.major >= 5) return 1024;
  return 260;
}

void TSxWinShellLink::SaveToFile(const std::string& file_name) { Check(Link().Save(file_name)); }

void TSxWinShellLink::LoadFromFile(const std::string& file_name) { Check(Link().Load(file_name)); }

std::string TSxWinShellLink::GetArguments() {
  std::string value;
  Check(Link().GetArguments(&value, DescriptionBufferSize()));
  return value;
}

void TSxWinShellLink::SetArguments(const std::string& value) {
  CheckLength("Arguments", value, DescriptionBufferSize());
  Check(Link().SetArguments(value));
}

std::string TSxWinShellLink::GetDescription() {
  std::string value;
  Check(Link().GetDescription(&value, DescriptionBufferSize()));
  return value;
}

void TSxWinShellLink::SetDescription(const std::string& value) {
  CheckLength("Description", value, DescriptionBufferSize());
  Check(Link().SetDescription(value));
}

void TSxWinShellLink::ApplyHotKey() {
  const uint16_t word = static_cast<uint16_t>(((hot_key_modifiers_ & 0x0F) << 8) | hot_key_code_);
  Check(Link().SetHotkey(word));
}

void TSxWinShellLink::ReadHotKey() {
  uint16_t word = 0;
  Check(Link().GetHotkey(&word));
  hot_key_code_ = static_cast<uint16_t>(word & 0xFF);
  hot_key_modifiers_ = static_cast<uint8_t>((word >> 8) & 0x0F);
}

TShortCut TSxWinShellLink::GetHotKey() {
  ReadHotKey();
  return static_cast<TShortCut>(hot_key_code_ + (hot_key_modifiers_ & 7) * 0x2000);
}

void TSxWinShellLink::SetHotKey(TShortCut value) {
  hot_key_code_ = static_cast<uint16_t>(value & 0x1FFF);
  hot_key_modifiers_ = 0;
  if (value & kShortCutShift) hot_key_modifiers_ |= hkShift;
  if (value & kShortCutCtrl) hot_key_modifiers_ |= hkCtrl;
  if (value & kShortCutAlt) hot_key_modifiers_ |= hkAlt;
  ApplyHotKey();
}

THKModifiers TSxWinShellLink::GetModifiers() {
  ReadHotKey();
  return hot_key_modifiers_;
}

void TSxWinShellLink::SetModifiers(THKModifiers value) {
  hot_key_modifiers_ = value;
  ApplyHotKey();
}

std::string TSxWinShellLink::GetIconLocationPath() {
  std::string path;
  int32_t index = 0;
  Check(Link().GetIconLocation(&path, kMaxPath, &index));
  return path;
}

void TSxWinShellLink::SetIconLocationPath(const std::string& value) {
  CheckLength("IconLocationPath", value, kMaxPath);
  std::string path;
  int32_t index = 0;
  Check(Link().GetIconLocation(&path, kMaxPath, &index));
  Check(Link().SetIconLocation(value, index));
}

int32_t TSxWinShellLink::GetIconLocationIndex() {
  std::string path;
  int32_t index = 0;
  Check(Link().GetIconLocation(&path, kMaxPath, &index));
  return index;
}

void TSxWinShellLink::SetIconLocationIndex(int32_t value) {
  std::string path;
  int32_t index = 0;
  Check(Link().GetIconLocation(&path, kMaxPath, &index));
  Check(Link().SetIconLocation(path, value));
}

std::string TSxWinShellLink::GetPath() {
  uint32_t flags = 0;
  switch (path_flag_) {
    case TSxPathFlag::pfShortPath:
      flags = platform::kLinkPathShort;
      break;
    case TSxPathFlag::pfUNCPriority:
      flags = platform::kLinkPathUncPriority;
      break;
    case TSxPathFlag::pfRawPath:
      flags = platform::kLinkPathRaw;
      break;
    default:
      throw ESxShellLink("SLGP_*** flag value is unknown", ErrorKind::kMisuse);
  }
  std::string path;
  Check(Link().GetPath(&path, kMaxPath, &find_data_, flags));
  return path;
}

void TSxWinShellLink::SetPath(const std::string& value) {
  CheckLength("Path", value, kMaxPath);
  Check(Link().SetPath(value));
}

TSxShowCmd TSxWinShellLink::GetShowCmd() {
  int32_t command = 0;
  Check(Link().GetShowCmd(&command));
  switch (command) {
    case kShowNormal:
      return TSxShowCmd::scShowNormal;
    case kShowMaximized:
      return TSxShowCmd::scShowMaximized;
    case kShowMinimized:
      return TSxShowCmd::scShowMinimized;
    default:
      throw ESxShellLink("Unknown SW_SHOW*** code returned by Windows Shell", ErrorKind::kGeneral);
  }
}

void TSxWinShellLink::SetShowCmd(TSxShowCmd value) {
  int32_t command = kShowNormal;
  if (value == TSxShowCmd::scShowMaximized) command = kShowMaximized;
  if (value == TSxShowCmd::scShowMinimized) command = kShowMinimized;
  Check(Link().SetShowCmd(command));
}

std::string TSxWinShellLink::GetWorkingDirectory() {
  std::string value;
  Check(Link().GetWorkingDirectory(&value, kMaxPath));
  return value;
}

void TSxWinShellLink::SetWorkingDirectory(const std::string& value) {
  CheckLength("WorkingDirectory", value, kMaxPath);
  Check(Link().SetWorkingDirectory(value));
}

}  // namespace vor
