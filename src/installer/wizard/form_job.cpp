// TForm1's job loading: the container appended to the program's own file
// and the job package at its root (package/job.h), shown in the window.
#include <string>

#include "container/coffer.h"
#include "installer/wizard/form.h"
#include "package/install_error.h"

namespace vor {

void TForm1::LoadJob() {
  const std::string path = services_.program_path;
  try {
    container_ = OpenJobContainer(path);
  } catch (...) {
    // Whatever the reason, the user learns only that the file cannot be
    // opened.
    container_.reset();
    MessageBox().ShowNote({NoteKind::kContainerNotOpened, ContainerNotOpenedMessage(path)});
    return;
  }

  // An exception while a file is read (or while a viewer takes it) ends the
  // loading here; what was read before it stays.
  ReadJob(*container_, &job_, [this](JobFileKind kind, const std::string& bytes) {
    if (kind == JobFileKind::kLicense) LoadViewer(Viewer(ControlId::re1), bytes);
    if (kind == JobFileKind::kReadme) LoadViewer(Viewer(ControlId::re2), bytes);
  });
  if (job_.icon != nullptr) {
    SetPicture(ControlId::Image1, job_.icon);
    SetPicture(ControlId::Image2, job_.icon);
  }

  // These run whether or not the keys exist; an absent key gives "".
  const std::string title = job_.Value(job_key::kTitle);
  SetText(ControlId::lTitle, title);
  SetText(ControlId::Form1, title);
  SetText(ControlId::lInstMessage, job_.Value(job_key::kInstMessage));
  SetText(ControlId::eDestDir, job_.Value(job_key::kProgramDir));
  SetText(ControlId::cbLaunch, "Launch " + job_.AppName());
}

void TForm1::LoadViewer(IRichTextViewer& viewer, const std::string& bytes) {
  // Rich text first; what the viewer refuses as rich text is tried as plain
  // text.
  if (viewer.LoadRichText(bytes)) return;
  if (viewer.LoadPlainText(bytes)) return;
  throw EInstallError(InstallErrorKind::kRichTextLoad, kRichTextLoadMessage);
}

}  // namespace vor
