// TForm1, the installer window without its drawing: control state, the
// wizard's pages and navigation, and the window's event handlers.
#include "installer/wizard/form.h"

#include "common/error.h"
#include "container/coffer.h"
#include "platform/fs.h"
#include "platform/shell.h"

namespace vor {

namespace {

// The services that stand in until the view provides its own.
class NullLinkWriter : public ILinkWriter {
 public:
  void NewLink() override {}
  std::string GetDescription() override { return std::string(); }
  void SetDescription(const std::string&) override {}
  void SetWorkingDirectory(const std::string&) override {}
  void SetIconLocationPath(const std::string&) override {}
  void SetIconLocationIndex(int32_t) override {}
  void SetPath(const std::string&) override {}
  void SaveToFile(const std::string&) override {
    throw EVorError("No shortcut writer", ErrorKind::kMisuse);
  }
};

class NullShell : public IShellServices {
 public:
  ILinkWriter& Link() override { return link_; }
  std::string GetProgramsFolder() override { return std::string(); }
  std::string GetDesktopFolder() override { return std::string(); }
  std::string GetCommonProgramsFolder() override { return std::string(); }
  std::string GetCommonDesktopFolder() override { return std::string(); }
  std::string GetAppDataFolder() override { return std::string(); }
  bool Launch(const std::string&, const std::string&) override { return false; }
  void RegisterServerLibrary(const std::string&) override {
    throw EVorError("No server registration", ErrorKind::kMisuse);
  }
  bool DiskFolderExists(const std::string&) override { return false; }
  bool CreateFolderPath(const std::string&) override { return false; }

 private:
  NullLinkWriter link_;
};

class NullMessageBox : public IMessageBox {
 public:
  void ShowError(const std::string&) override {}
};

class NullMessagePump : public IMessagePump {
 public:
  void ProcessMessages() override {}
};

class NullViewer : public IRichTextViewer {
 public:
  bool LoadRichText(const std::string&) override { return true; }
  bool LoadPlainText(const std::string&) override { return true; }
  std::string SaveRichText() override { return std::string(); }
};

NullShell null_shell;
NullMessageBox null_message_box;
NullMessagePump null_message_pump;
NullViewer null_viewer;

}  // namespace

TForm1::TForm1() {
  states_.reserve(kControlCount);
  for (const ControlLayout& layout : FormControls()) {
    ControlState state;
    state.text = layout.text;
    state.checked = layout.checked;
    states_.push_back(state);
  }
  services_.program_path = platform::ExecutablePath();
  FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::SetServices(const FormServices& services) { services_ = services; }

IShellServices& TForm1::Shell() {
  return services_.shell != nullptr ? *services_.shell : null_shell;
}

IMessageBox& TForm1::MessageBox() {
  return services_.message_box != nullptr ? *services_.message_box : null_message_box;
}

IMessagePump& TForm1::MessagePump() {
  return services_.message_pump != nullptr ? *services_.message_pump : null_message_pump;
}

IRichTextViewer& TForm1::Viewer(ControlId id) {
  IRichTextViewer* viewer = id == ControlId::re1 ? services_.re1 : services_.re2;
  return viewer != nullptr ? *viewer : null_viewer;
}

ControlState& TForm1::Mutable(ControlId id) { return states_[Index(id)]; }

void TForm1::SetText(ControlId id, const std::string& text) {
  if (Text(id) == text) return;
  Mutable(id).text = text;
  // The space line follows the destination as it is typed.
  if (id == ControlId::eDestDir && active_page_ == ControlId::tsOptions) ShowSpace();
}

void TForm1::SetEnabled(ControlId id, bool enabled) {
  if (Enabled(id) != enabled) Mutable(id).enabled = enabled;
}

void TForm1::SetChecked(ControlId id, bool checked) {
  if (Checked(id) != checked) Mutable(id).checked = checked;
}

void TForm1::SetVisible(ControlId id, bool visible) {
  if (State(id).visible != visible) Mutable(id).visible = visible;
}

void TForm1::SetPicture(ControlId id, std::shared_ptr<const IconPicture> picture) {
  Mutable(id).picture = std::move(picture);
}

void TForm1::SetPosition(ControlId id, int position) {
  if (State(id).position != position) Mutable(id).position = position;
}

void TForm1::SetActivePage(ControlId page) {
  if (Layout(page).kind != ControlKind::kPage) {
    throw EVorError(std::string("TForm1.SetActivePage - not a page: ") + Layout(page).name,
                    ErrorKind::kMisuse);
  }
  active_page_ = page;
}

void TForm1::FormCreate() {
  // COM for this thread, single-threaded apartment; the program entry has
  // initialised it in the same model already, so the result does not matter.
  com_ = std::make_unique<platform::ComApartment>(platform::ComInit::kCoInitializeEx);
}

void TForm1::FormShow() {
  // The Intro page and its rules come first, so that they are in place
  // whatever the job loading that follows them does.
  SetActivePage(ControlId::tsIntro);
  PC1Change();
  LoadJob();
  ApplyStartValues();
  ApplyInstalledCopy();
}

void TForm1::ApplyStartValues() {
  if (start_.has_dest_dir) SetText(ControlId::eDestDir, start_.dest_dir);
  if (start_.users != UserScope::kDefault) {
    const bool all = start_.users == UserScope::kAllUsers;
    SetChecked(ControlId::cbAllUsers, all);
    SetChecked(ControlId::cbThisUser, !all);
  }
  if (start_.no_desktop) SetChecked(ControlId::cbDesktop, false);
  if (start_.no_quick_launch) SetChecked(ControlId::cbQuick, false);
}

void TForm1::FormClose() {
  // Freeing the container closes the program's file.
  job_ = Job();
  container_.reset();
}

void TForm1::PC1Change() {
  // The page-entry rules, in this order.
  if (active_page_ == ControlId::tsLicense) {
    SetChecked(ControlId::cbAgree, false);
    SetChecked(ControlId::cbNoAgree, false);
    SetEnabled(ControlId::bNext, false);
  }
  if (active_page_ == ControlId::tsIntro) SetEnabled(ControlId::bNext, true);
  if (active_page_ == ControlId::tsOptions) {
    cbAllUsersClick();
    ProposeUserFolder();
    ShowSpace();
  }
  if (active_page_ == ControlId::tsinstall) {
    const std::string cr = "\r";
    SetText(ControlId::lInstall, job_.AppName() + " in now ready to be installed into " + cr + cr +
                                     Text(ControlId::eDestDir) + cr + cr +
                                     "To continue, click the Next button.");
  } else if (active_page_ == ControlId::tsComplete) {
    SetText(ControlId::bNext, "Finish");
    SetEnabled(ControlId::bCancel, false);
    SetEnabled(ControlId::bBack, false);
  }
}

bool TForm1::PC1Changing() { return false; }

void TForm1::GoToPage(ControlId page) {
  SetActivePage(page);
  PC1Change();
}

void TForm1::bnExitClick() { Close(); }

void TForm1::bNextClick() {
  switch (active_page_) {
    case ControlId::tsIntro:
      GoToPage(ControlId::tsLicense);
      break;
    case ControlId::tsLicense:
      // Next is enabled only while "Agree" is selected; the check keeps the
      // gate even for a caller that ignores the button's state.
      if (Checked(ControlId::cbAgree)) GoToPage(ControlId::tsReadme);
      break;
    case ControlId::tsReadme:
      GoToPage(ControlId::tsOptions);
      break;
    case ControlId::tsOptions:
      // An empty or relative destination would install beside whatever the
      // current folder is and put install.log at the drive's root.
      if (!platform::IsAbsolutePath(Text(ControlId::eDestDir))) {
        MessageBox().ShowNote({NoteKind::kDestination, kDestinationMessage});
        break;
      }
      if (!DestinationAccepted()) break;
      if (!ConfirmReinstall()) break;
      GoToPage(ControlId::tsinstall);
      break;
    case ControlId::tsinstall:
      RunInstallation();
      break;
    case ControlId::tsComplete:
      Finish();
      break;
    default:
      break;
  }
}

void TForm1::bBackClick() {
  switch (active_page_) {
    case ControlId::tsIntro:
      PC1Change();  // stays; its rules run again
      break;
    case ControlId::tsLicense:
      GoToPage(ControlId::tsIntro);
      break;
    case ControlId::tsReadme:
      GoToPage(ControlId::tsLicense);
      break;
    case ControlId::tsOptions:
      GoToPage(ControlId::tsReadme);
      break;
    case ControlId::tsinstall:
      GoToPage(ControlId::tsOptions);
      break;
    default:
      break;  // the Complete page has no way back
  }
}

void TForm1::cbAgreeClick() { SetEnabled(ControlId::bNext, Checked(ControlId::cbAgree)); }

void TForm1::cbAllUsersClick() {
  // Writing a small file (the readme as rich text) into the all-users
  // Programs folder tells whether the user may install for all users.
  IRichTextViewer& readme = Viewer(ControlId::re2);
  if (!AllUsersFolderWritable(Shell(), [&readme] { return readme.SaveRichText(); })) {
    // Not writable: install for this user only; nothing is said.
    SetChecked(ControlId::cbAllUsers, false);
    SetChecked(ControlId::cbThisUser, true);
  }
}

void TForm1::bBrowseClick() {
  std::string folder;
  if (services_.folder_dialog != nullptr &&
      services_.folder_dialog->Execute(kSelectFolderTitle, &folder)) {
    SetText(ControlId::eDestDir, folder);
  }
}

void TForm1::LinkImageClick() { Shell().Launch(kWebSiteAddress, ""); }

void TForm1::Finish() {
  if (Checked(ControlId::cbLaunch))
    LaunchInstalledProgram(job_, Text(ControlId::eDestDir), Shell());
  MessagePump().ProcessMessages();
  Close();
}

void TForm1::Click(ControlId id) {
  if (closed_ || !Enabled(id)) return;
  const ControlLayout& layout = Layout(id);
  if (layout.kind == ControlKind::kRadioButton) {
    for (const ControlLayout& other : FormControls()) {
      if (other.kind == ControlKind::kRadioButton && other.parent == layout.parent) {
        SetChecked(other.id, other.id == id);
      }
    }
  } else if (layout.kind == ControlKind::kCheckBox) {
    SetChecked(id, !Checked(id));
  }
  switch (id) {
    case ControlId::bCancel:
      bnExitClick();
      break;
    case ControlId::bNext:
      bNextClick();
      break;
    case ControlId::bBack:
      bBackClick();
      break;
    case ControlId::cbAgree:
    case ControlId::cbNoAgree:
      cbAgreeClick();
      break;
    case ControlId::cbAllUsers:
      cbAllUsersClick();
      break;
    case ControlId::bBrowse:
      bBrowseClick();
      break;
    case ControlId::LinkImage:
      LinkImageClick();
      break;
    default:
      break;
  }
}

bool TForm1::RequestPageChange(ControlId page) {
  if (closed_ || page == active_page_ || !PC1Changing()) return false;
  PageTabSelected(page);
  return true;
}

void TForm1::PageTabSelected(ControlId page) {
  SetActivePage(page);
  PC1Change();
}

void TForm1::CloseRequest() {
  if (Enabled(ControlId::bCancel)) Close();
}

void TForm1::Close() {
  if (closed_) return;
  FormClose();
  closed_ = true;
}

}  // namespace vor
