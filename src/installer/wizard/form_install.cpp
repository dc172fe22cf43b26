// TForm1's Next on the Install page: the choices read from the controls,
// the engine's installation run, its notes in the message box and its
// progress on the status line and the progress bar.
#include <cstdint>
#include <exception>
#include <string>

#include "container/coffer.h"
#include "installer/wizard/form.h"
#include "platform/fs.h"

namespace vor {

// The installation's progress and notes shown in the window as they come.
class TForm1::InstallProgress : public IInstallProgress {
 public:
  explicit InstallProgress(TForm1& form) : form_(form) {}
  // The status line shows the file and the window repaints.
  void FileProgress(const std::string& file_name, double /*percent*/) override {
    form_.SetText(ControlId::lStatus, file_name);
    form_.MessagePump().ProcessMessages();
  }
  // The bar moves in whole steps; the window repaints only when it moved, so
  // that a copy of many small files is not held up by repaints.
  void BytesCopied(std::uint64_t done, std::uint64_t total) override {
    const int position = total == 0 ? kProgressMax
                                    : static_cast<int>(static_cast<double>(done) /
                                                       static_cast<double>(total) * kProgressMax);
    if (position == form_.State(ControlId::pbInstall).position) return;
    form_.SetPosition(ControlId::pbInstall, position);
    form_.MessagePump().ProcessMessages();
  }
  void Noted(const Note& note) override { form_.MessageBox().ShowNote(note); }

 private:
  TForm1& form_;
};

InstallOptions TForm1::OptionsFromControls() const {
  InstallOptions options;
  options.destination = Text(ControlId::eDestDir);
  options.all_users = Checked(ControlId::cbAllUsers);
  options.desktop = Checked(ControlId::cbDesktop);
  options.quick_launch = Checked(ControlId::cbQuick);
  // The program starts from Finish, when its check box asks for it.
  options.launch = false;
  options.program_path = services_.program_path;
  return options;
}

void TForm1::RunInstallation() {
  SetEnabled(ControlId::bNext, false);
  SetEnabled(ControlId::bBack, false);
  SetEnabled(ControlId::bCancel, false);
  SetText(ControlId::eDestDir, platform::WithoutTrailingDelimiters(Text(ControlId::eDestDir)));
  // While the files are copied there is nothing to click.
  SetText(ControlId::lInstall,
          job_.AppName() + " is being installed into \r\r" + Text(ControlId::eDestDir));
  SetPosition(ControlId::pbInstall, 0);
  InstallProgress progress(*this);
  try {
    const InstallReport report =
        vor::RunInstallation(job_, container_.get(), OptionsFromControls(), Shell(), progress);
    if (!report.complete) {
      // The copy failed and the run stopped: the error has been shown, and
      // the Complete page would claim a success. Cancel leaves.
      const std::string cr = "\r";
      SetText(ControlId::lInstall, job_.AppName() + " could not be installed into " + cr + cr +
                                       report.destination + cr + cr +
                                       "No shortcut was made. Click Cancel to close.");
      SetEnabled(ControlId::bCancel, true);
      return;
    }
  } catch (...) {
    // Every button is disabled and the window has no close box: Cancel
    // comes back so that the user can leave once the error is reported.
    SetEnabled(ControlId::bCancel, true);
    throw;
  }
  SetEnabled(ControlId::bNext, true);
  GoToPage(ControlId::tsComplete);
}

}  // namespace vor
