// TForm1, the installer window without its drawing.
//
// The window's behaviour lives here: the active page, the state of every
// control (text, enabled, checked, visible) and the event handlers. A view
// (the Win32 window on Windows) shows this state and forwards the user's
// actions to Click, RequestPageChange and Close; the wizard logic is thus
// tested without any window.
//
// The window holds navigation and control state only. The job comes from
// the package library (package/job.h); Next on the Install page builds the
// InstallOptions from the controls and calls the engine's RunInstallation
// (installer/engine/installation.h), whose notes the message box shows.
//
// Lifetime: the constructor loads the form resource (form_layout.h) and runs
// FormCreate; the view then hands over its services (form_services.h);
// FormShow runs when the window is first shown and loads the job from the
// container appended to the program's own file (form_job.cpp); Close runs
// FormClose once and marks the window closed, after which the view destroys
// its window and the program ends.
//
// The pages and the buttons, as Next and Back move between them (the tabs
// never change the page):
//
//   page       on entry                            Next                       Back
//   tsIntro    Next enabled                        tsLicense                  stays, entry rules
//   again tsLicense  Agree and Disagree cleared, Next    tsReadme, only with Agree  tsIntro
//              disabled (Agree enables it)
//   tsReadme   -                                   tsOptions                  tsLicense
//   tsOptions  the all-users test, the space line  tsinstall, only with a     tsReadme
//                                                  full destination path
//                                                  (else kDestinationMessage)
//                                                  that the destination check
//                                                  accepts (else its message)
//   tsinstall  the ready text with the destination the installation: Next,    tsOptions
//                                                  Back, Cancel disabled while
//                                                  it runs; tsComplete when it
//                                                  returns, Cancel back when
//                                                  it raises
//   tsComplete Next reads Finish; Cancel, Back     Finish: the optional       -
//              disabled                            launch, then Close
//
// Cancel closes the window on every page where it is enabled; a close
// request from outside counts as Cancel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "installer/engine/command_line.h"
#include "installer/engine/installation.h"
#include "installer/wizard/form_layout.h"
#include "installer/wizard/form_services.h"
#include "package/icon_image.h"
#include "package/job.h"
#include "platform/com.h"

namespace vor {

class TCoffer;

// The maker's web site, opened by a click on the side picture.
constexpr const char* kWebSiteAddress = "https://vor-installer.example.org/";
// The title of the folder-selection dialog.
constexpr const char* kSelectFolderTitle = "Select folder";

struct ControlState {
  std::string text;
  bool enabled = true;
  bool checked = false;
  bool visible = true;
  // A progress bar's position, 0 to kProgressMax.
  int position = 0;
  // The picture an image shows; null when none. Shared, so that the two
  // images can show one icon and the view can tell a new one by its address.
  std::shared_ptr<const IconPicture> picture;
};

class TForm1 {
 public:
  TForm1();
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // The services the model reaches out to; until they are set, the model
  // uses the running program's path and services that do nothing.
  void SetServices(const FormServices& services);
  // The values given on the command line; FormShow puts them over the job's:
  // /D= as the destination's text, /CURRENTUSER or /ALLUSERS on the user
  // buttons (the all-users test on the Options page still applies),
  // /NODESKTOP and /NOQUICKLAUNCH clear their check boxes.
  void SetStartValues(const InstallerCommandLine& command_line) { start_ = command_line; }

  // --- State read by the view and the tests.
  const ControlState& State(ControlId id) const { return states_[Index(id)]; }
  const std::string& Text(ControlId id) const { return State(id).text; }
  bool Enabled(ControlId id) const { return State(id).enabled; }
  bool Checked(ControlId id) const { return State(id).checked; }
  ControlId ActivePage() const { return active_page_; }
  bool Closed() const { return closed_; }

  // --- Changes made by the handlers (and by the job loading and the
  // installation run that build on them).
  void SetText(ControlId id, const std::string& text);
  void SetEnabled(ControlId id, bool enabled);
  void SetChecked(ControlId id, bool checked);
  void SetVisible(ControlId id, bool visible);
  void SetPicture(ControlId id, std::shared_ptr<const IconPicture> picture);
  void SetPosition(ControlId id, int position);
  // Makes page the active page without firing PC1Changing or PC1Change.
  void SetActivePage(ControlId page);

  // --- The user's actions, forwarded by the view.
  // A click on a button, radio button, check box or image. A disabled
  // control ignores it. A radio button becomes selected and clears the other
  // radio buttons of its parent; a check box toggles. Then the control's
  // handler runs. Exceptions of the handler reach the caller (the view's
  // default error report).
  void Click(ControlId id);
  // A click on a page's tab: asks PC1Changing and, only when it allows,
  // switches to page (PageTabSelected); returns whether the page changed.
  bool RequestPageChange(ControlId page);
  // A page's tab became selected after PC1Changing allowed it: page becomes
  // the active page and the page-entry rules run.
  void PageTabSelected(ControlId page);
  // A close request from outside the window's buttons (Alt+F4, the system's
  // task list). The window has no close box and is left through Cancel or
  // Finish only, so the request counts as Cancel and is honoured only while
  // Cancel is enabled: never during the installation run or on the Complete
  // page.
  void CloseRequest();
  // The window's ordinary close (Cancel, Finish): runs FormClose once and
  // marks the window closed.
  void Close();

  // --- Event handlers.
  void FormShow();
  void FormClose();
  // The page-entry rules, applied after every page switch.
  void PC1Change();
  // Asked before a tab click changes the page; the tabs never do.
  bool PC1Changing();
  // Cancel: closes the window.
  void bnExitClick();
  // Next and Back: the wizard's state machine.
  void bNextClick();
  void bBackClick();
  // The licence gate: Next is enabled exactly when "Agree" is selected.
  void cbAgreeClick();
  // The all-users test: when a probe file cannot be written to the
  // all-users Programs folder, "this user" is selected.
  void cbAllUsersClick();
  void bBrowseClick();
  // The side picture: opens the maker's web site.
  void LinkImageClick();

  // Opens the container on the program's own file and reads the job
  // package (form_job.cpp). Shows "Cannot open file '<path>'" when the
  // container cannot be opened; an exception while a job file is read ends
  // the loading and reaches the caller.
  void LoadJob();
  // The bytes the application's files need on disk (0 without a
  // container); measured once, when first asked.
  uint64_t NeededBytes();

  // The choices the Install page's Next hands to the installation: the
  // destination box, the user buttons and the shortcut check boxes.
  InstallOptions OptionsFromControls() const;

  // The job as loaded (emptied by FormClose).
  const Job& GetJob() const { return job_; }
  Job& GetJob() { return job_; }
  // The container on the program's own file; null when it could not be
  // opened, and after FormClose.
  TCoffer* JobContainer() const { return container_.get(); }

 private:
  class InstallProgress;
  void FormCreate();
  ControlState& Mutable(ControlId id);
  // Switches to page and applies the page-entry rules.
  void GoToPage(ControlId page);
  // Next on the Complete page: the optional launch, then close.
  void Finish();
  // Next on the Install page: the installation run (form_install.cpp).
  void RunInstallation();
  // The command line's values over the job's (FormShow, after the job).
  void ApplyStartValues();
  // The space line under the destination: what the files need and what
  // the destination's drive has free (form_destination.cpp).
  void ShowSpace();
  // Next on Options: whether the destination can take the installation;
  // when not, its message is shown (form_destination.cpp).
  bool DestinationAccepted();

  // An earlier installation of the job's application (form_reinstall.cpp):
  // its folder proposed as the destination and named on the Options page;
  // false from ConfirmReinstall when the user declines installing into
  // another folder.
  void ApplyInstalledCopy();
  bool ConfirmReinstall();
  // A user who can install neither for all users nor into the job's
  // program folder: on the first entry to Options, the folder of the user's
  // own programs is proposed instead, and the note line says why
  // (form_user_folder.cpp).
  void ProposeUserFolder();

  // Job loading helper (form_job.cpp).
  void LoadViewer(IRichTextViewer& viewer, const std::string& bytes);

  IShellServices& Shell();
  IMessageBox& MessageBox();
  IMessagePump& MessagePump();
  IRichTextViewer& Viewer(ControlId id);

  FormServices services_;
  InstallerCommandLine start_;

  Job job_;
  std::unique_ptr<TCoffer> container_;
  std::vector<ControlState> states_;
  ControlId active_page_ = ControlId::tsIntro;
  bool closed_ = false;
  bool has_installed_copy_ = false;
  bool user_folder_considered_ = false;
  InstalledCopy installed_copy_;
  bool measured_ = false;
  uint64_t needed_bytes_ = 0;
  // COM as initialised by FormCreate, released with the window.
  std::unique_ptr<platform::ComApartment> com_;
};

}  // namespace vor
