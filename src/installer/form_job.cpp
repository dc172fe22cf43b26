// TForm1's job loading: the container appended to the program's own file
// and the job package at its root.
#include <cstdint>
#include <string>

#include "container/coffer.h"
#include "container/stream/file_stream.h"
#include "installer/form.h"
#include "installer/installer_error.h"

namespace vor {

namespace {

// The files of the package read into the window, in reading order.
enum class JobTarget { kJobIni, kMenuList, kShortcutsList, kExecsList, kLicense, kReadme };

struct JobFile {
  const char* path;
  JobTarget target;
};

constexpr JobFile kJobFiles[] = {
    {"\\JOB.INI", JobTarget::kJobIni},          {"\\MENU.DAT", JobTarget::kMenuList},
    {"\\SCUTS.DAT", JobTarget::kShortcutsList}, {"\\EXECS.DAT", JobTarget::kExecsList},
    {"\\License.rtf", JobTarget::kLicense},     {"\\readme.rtf", JobTarget::kReadme},
};

}  // namespace

void TForm1::LoadJob() {
  const std::string path = services_.program_path;
  try {
    Container = std::make_unique<TCoffer>(path, 0, kJobPassword, "", "", 0);
  } catch (...) {
    // Whatever the reason (no container, a damaged header, another password,
    // a read failure), the user learns only that the file cannot be opened.
    Container.reset();
    MessageBox().ShowFormMessage(FormMessageKind::kContainerNotOpened,
                                 "Cannot open file '" + path + "'");
    return;
  }
  Container->SetOnFileProgress([this](TCoffer&, const std::string& file_name, double percent) {
    ExportProgress(file_name, percent);
  });

  // An exception while a file is read ends the loading here; what was read
  // before it stays.
  for (const JobFile& file : kJobFiles) {
    if (!Container->FileExists(file.path)) continue;
    const std::string bytes = ReadJobFile(file.path);
    switch (file.target) {
      case JobTarget::kJobIni:
        JobIni->SetText(bytes);
        break;
      case JobTarget::kMenuList:
        MenuList->SetText(bytes);
        break;
      case JobTarget::kShortcutsList:
        ShortcutsList->SetText(bytes);
        break;
      case JobTarget::kExecsList:
        ExecsList->SetText(bytes);
        break;
      case JobTarget::kLicense:
        LoadViewer(Viewer(ControlId::re1), bytes);
        break;
      case JobTarget::kReadme:
        LoadViewer(Viewer(ControlId::re2), bytes);
        break;
    }
  }

  // "\" alone (an empty or absent Icon) names no file.
  if (Container->FileExists("\\" + JobIni->Values("Icon"))) {
    std::shared_ptr<const IconPicture> icon = ParseIcon(ReadJobFile("\\" + JobIni->Values("Icon")));
    SetPicture(ControlId::Image1, icon);
    SetPicture(ControlId::Image2, icon);
  }

  // These run whether or not the keys exist; an absent key gives "".
  const std::string title = JobIni->Values("Title");
  SetText(ControlId::lTitle, title);
  SetText(ControlId::Form1, title);
  SetText(ControlId::lInstMessage, JobIni->Values("InstMessage"));
  SetText(ControlId::eDestDir, JobIni->Values("ProgramDir"));
  AppName = JobIni->Values("Appname");
  ExeName = JobIni->Values("Exename");
  SetText(ControlId::cbLaunch, "Launch " + AppName);
}

std::string TForm1::ReadJobFile(const std::string& path) {
  // Read-only, no password, the stored compression; the stream lives only
  // while the file is read.
  TCFRFileStream stream(Container.get(), path, 0, "", "", "", 0);
  const int64_t remaining = stream.Size() - stream.Position();
  std::string bytes;
  if (remaining <= 0) return bytes;
  if (remaining > INT32_MAX)
    throw EVorError("TForm1.LoadJob - job file too large: " + path, ErrorKind::kDamaged);
  bytes.resize(static_cast<size_t>(remaining));
  const int32_t read = stream.Read(bytes.data(), static_cast<int32_t>(remaining));
  bytes.resize(read > 0 ? static_cast<size_t>(read) : 0);
  return bytes;
}

void TForm1::LoadViewer(IRichTextViewer& viewer, const std::string& bytes) {
  // Rich text first; what the viewer refuses as rich text is tried as plain
  // text.
  if (viewer.LoadRichText(bytes)) return;
  if (viewer.LoadPlainText(bytes)) return;
  throw EInstallerError(InstallerErrorKind::kRichTextLoad, kRichTextLoadMessage);
}

}  // namespace vor
