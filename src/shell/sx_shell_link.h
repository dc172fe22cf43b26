// TSxWinShellLink: one shortcut of the system's shell, written to a file.
//
// Each property reads from or writes to the system's link object at once
// (platform/shell_link.h); the component keeps only the hot-key bytes, the
// path flag, the storage-mode settings and the find data of the last Path
// read. Every failed call into the link object raises EShellCallError with
// the system's message for its code; the component's own failures raise
// ESxShellLink. A value longer than its buffer (259 characters for Path,
// WorkingDirectory and IconLocationPath, DescriptionBufferSize() - 1 for
// Description and Arguments) is refused with ESxShellLink naming the
// property, and the link keeps its old value.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/shell_link.h"
#include "shell/link_writer.h"
#include "shell/os_version_class.h"

namespace vor {

// A key with its modifiers: virtual-key code in the low byte, 0x2000 Shift,
// 0x4000 Ctrl, 0x8000 Alt.
using TShortCut = uint16_t;
constexpr TShortCut kShortCutShift = 0x2000;
constexpr TShortCut kShortCutCtrl = 0x4000;
constexpr TShortCut kShortCutAlt = 0x8000;

// THKModifiers: a set of hkShift, hkCtrl, hkAlt, hkExt, held as the bits of
// the hot-key word's high byte.
using THKModifiers = uint8_t;
constexpr THKModifiers hkShift = 0x01;
constexpr THKModifiers hkCtrl = 0x02;
constexpr THKModifiers hkAlt = 0x04;
constexpr THKModifiers hkExt = 0x08;

enum class TSxShowCmd : int32_t { scShowNormal, scShowMaximized, scShowMinimized };
enum class TSxPathFlag : int32_t { pfShortPath, pfUNCPriority, pfRawPath };

enum class TSxSTGMAccess : int32_t { stgmRead, stgmWrite, stgmReadWrite };
enum class TSxSTGMSharing : int32_t {
  stgmShareDenyNone,
  stgmShareDenyRead,
  stgmShareDenyWrite,
  stgmShareExclusive,
  stgmPriority
};
enum class TSxSTGMCreation : int32_t { stgmFailIfThere, stgmCreate, stgmConvert };
enum class TSxSTGMTransactioning : int32_t { stgmDirect, stgmTransacted };
enum class TSxSTGMPerformance : int32_t { stgmPerfNone, stgmNoScratch, stgmNoSnapShot };
enum class TSxSTGMSWMRSimple : int32_t { stgmNone, stgmSimple, stgmDitectSWMR };

// Storage-mode settings of a structured-storage open. Kept and copied; no
// operation of the shortcut writer uses them.
struct TSxSTGM {
  TSxSTGMAccess Access = TSxSTGMAccess::stgmRead;
  TSxSTGMCreation Creation = TSxSTGMCreation::stgmFailIfThere;
  bool DeleteOnRelease = false;
  TSxSTGMPerformance Performance = TSxSTGMPerformance::stgmPerfNone;
  TSxSTGMSharing Sharing = TSxSTGMSharing::stgmShareDenyNone;
  TSxSTGMSWMRSimple Simple = TSxSTGMSWMRSimple::stgmNone;
  TSxSTGMTransactioning Transactioning = TSxSTGMTransactioning::stgmDirect;
};

class TSxWinShellLink : public ILinkWriter {
 public:
  using LinkFactory = std::function<platform::ShellLinkCreation()>;

  // Creates the storage-mode settings, then the first link (NewLink). The
  // factory makes link objects (the system's by default); version tells
  // DescriptionBufferSize the system's major version.
  explicit TSxWinShellLink(LinkFactory factory = platform::CreateShellLinkObject,
                           VersionSource version = platform::GetOSVersion);
  ~TSxWinShellLink() override;
  TSxWinShellLink(const TSxWinShellLink&) = delete;
  TSxWinShellLink& operator=(const TSxWinShellLink&) = delete;

  // Applies the settings the installer's instance carries from its window
  // resource to the current link: HotKey 0, IconLocationIndex 0, ShowCmd
  // scShowNormal, PathFlag pfShortPath, Modifiers empty, STGM defaults.
  void ApplyDesignTimeSettings();

  void NewLink() override;
  void SaveToFile(const std::string& file_name) override;
  // Replaces the current link's settings by those of a saved link file.
  void LoadFromFile(const std::string& file_name);

  // 260 when the system's major version is below 5 (or unknown), else 1024.
  int32_t DescriptionBufferSize() const;

  std::string GetArguments();
  void SetArguments(const std::string& value);
  std::string GetDescription() override;
  void SetDescription(const std::string& value) override;
  TShortCut GetHotKey();
  void SetHotKey(TShortCut value);
  std::string GetIconLocationPath();
  void SetIconLocationPath(const std::string& value) override;
  int32_t GetIconLocationIndex();
  void SetIconLocationIndex(int32_t value) override;
  std::string GetPath();
  void SetPath(const std::string& value) override;
  TSxShowCmd GetShowCmd();
  void SetShowCmd(TSxShowCmd value);
  std::string GetWorkingDirectory();
  void SetWorkingDirectory(const std::string& value) override;
  TSxPathFlag GetPathFlag() const { return path_flag_; }
  void SetPathFlag(TSxPathFlag value) { path_flag_ = value; }
  THKModifiers GetModifiers();
  void SetModifiers(THKModifiers value);
  const TSxSTGM& GetSTGM() const { return *stgm_; }
  void SetSTGM(const TSxSTGM& value) { *stgm_ = value; }

  // What the last Path read reported about the target.
  const platform::LinkFindData& FindData() const { return find_data_; }
  uint8_t HotKeyModifiers() const { return hot_key_modifiers_; }
  uint16_t HotKeyCode() const { return hot_key_code_; }

 protected:
  // Replaces the link object by a new one from the factory.
  virtual void CreateLinkObject();

 private:
  // Raises EShellCallError for a failure code; success codes pass.
  static void Check(int32_t result);
  void CheckLength(const char* property, const std::string& value, int32_t buffer_size) const;
  platform::ShellLinkObject& Link();
  // Writes the hot-key word from HotKeyModifiers and HotKeyCode.
  void ApplyHotKey();
  // Reads the hot-key word into HotKeyCode and HotKeyModifiers.
  void ReadHotKey();

  LinkFactory factory_;
  VersionSource version_;
  std::unique_ptr<platform::ShellLinkObject> link_;
  std::unique_ptr<TSxSTGM> stgm_;
  uint8_t hot_key_modifiers_ = 0;
  uint16_t hot_key_code_ = 0;
  platform::LinkFindData find_data_;
  TSxPathFlag path_flag_ = TSxPathFlag::pfShortPath;
};

}  // namespace vor
