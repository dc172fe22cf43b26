// TForm1, the installer window without its drawing.
//
// The window's behaviour lives here: the active page, the state of every
// control (text, enabled, checked, visible) and the event handlers. A view
// (the Win32 window on Windows) shows this state and forwards the user's
// actions to Click, RequestPageChange and Close; the wizard logic is thus
// tested without any window.
//
// Lifetime: the constructor loads the form resource (form_layout.h) and runs
// FormCreate; the view then hands over its services (form_services.h);
// FormShow runs when the window is first shown and loads the job from the
// container appended to the program's own file (form_job.cpp); Close runs
// FormClose once and marks the window closed, after which the view destroys
// its window and the program ends.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "installer/command_line.h"
#include "installer/form_layout.h"
#include "installer/form_services.h"
#include "installer/icon_image.h"
#include "installer/string_list.h"
#include "platform/com.h"

namespace vor {

class TCoffer;

// The fixed password of the container appended to the installer.
constexpr const char* kJobPassword = "velmorakitan";
// The maker's web site, opened by a click on the side picture.
constexpr const char* kWebSiteAddress = "https://vor-installer.example.org/";
// The title of the folder-selection dialog.
constexpr const char* kSelectFolderTitle = "Select folder";
// The messages of the installation run (lines broken by CR alone).
constexpr const char* kCopyErrorMessage =
    "There was an error in the file copy.  Installation may not be complete\r\r"
    "Reboot your system and try the installation again.";
// Shown by Next on the Options page when the destination box does not hold
// a full folder path; the wizard stays on the page.
constexpr const char* kDestinationMessage =
    "Please enter the full path of the folder to install into, with its drive.";
constexpr const char* kDesktopIconError = "The desktop icon could not be created";
constexpr const char* kQuickLaunchIconError = "The Quick Launch icon could not be created";

struct ControlState {
  std::string text;
  bool enabled = true;
  bool checked = false;
  bool visible = true;
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
  // The container's per-file progress during the copy: the status line
  // shows the file, the window repaints, and a report of exactly 100 percent
  // records the file as installed.
  void ExportProgress(const std::string& file_name, double percent);

  // --- The window's members (owned by the window; the lists exist from
  // FormCreate to FormClose).
  std::unique_ptr<StringList> JobIni;
  std::unique_ptr<StringList> InstalledList;
  std::unique_ptr<StringList> ShortcutsList;
  std::unique_ptr<StringList> MenuList;
  std::unique_ptr<StringList> ExecsList;
  std::string AppName;
  std::string ExeName;
  // The container on the program's own file; null when it could not be
  // opened. Freed by FormClose.
  std::unique_ptr<TCoffer> Container;

 private:
  void FormCreate();
  ControlState& Mutable(ControlId id);
  // Switches to page and applies the page-entry rules.
  void GoToPage(ControlId page);
  // Next on the Complete page: the optional launch, then close.
  void Finish();
  // Next on the Install page: the installation run (form_install.cpp).
  void RunInstallation();
  void RunGuardedSteps(const std::string& dest);
  // Writes install.log; raises EInstallerError kLogWrite with the file
  // system's message when it cannot.
  void SaveInstallLog(const std::string& path);
  // The uninstaller's program file in dest and its entry in the list of
  // installed programs (the job asks for them with Uninstall=1).
  // Withdraws pending deletions at the next start of what the installation
  // wrote into dest (an earlier removal's uninstaller, say).
  void CancelPendingDeletions(const std::string& dest) const;
  void WriteUninstaller(const std::string& dest);
  // The command line's values over the job's (FormShow, after the job).
  void ApplyStartValues();
  // Copies the container folder folder to dest; any failure (or no
  // container) is reported in the copy-error message and the run goes on.
  void CopyProgramFiles(const std::string& folder, const std::string& dest);
  // Makes one shortcut in folder (with a trailing delimiter) and records it
  // in the log; raises what the shortcut writer raises.
  void MakeShortcut(const std::string& folder, const std::string& caption,
                    const std::string& target, const std::string& dest);

  // Job loading helpers (form_job.cpp).
  std::string ReadJobFile(const std::string& path);
  void LoadViewer(IRichTextViewer& viewer, const std::string& bytes);

  IShellServices& Shell();
  IMessageBox& MessageBox();
  IMessagePump& MessagePump();
  IRichTextViewer& Viewer(ControlId id);

  FormServices services_;
  InstallerCommandLine start_;

  std::vector<ControlState> states_;
  ControlId active_page_ = ControlId::tsIntro;
  bool closed_ = false;
  // COM as initialised by FormCreate, released with the window.
  std::unique_ptr<platform::ComApartment> com_;
};

}  // namespace vor
