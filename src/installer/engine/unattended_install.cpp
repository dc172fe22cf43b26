// The unattended installation: the job and the command line's choices, the
// installation run, its notes logged.
#include "installer/engine/unattended_install.h"

#include <exception>
#include <memory>

#include "container/coffer.h"
#include "installer/engine/exit_codes.h"
#include "package/install_error.h"
#include "platform/fs.h"

namespace vor {

namespace {

// Every note to the log with the exit code its kind stands for.
class LoggedProgress : public IInstallProgress {
 public:
  explicit LoggedProgress(SilentLog& log) : log_(log) {}
  void Noted(const Note& note) override { log_.Add(note.text, InstallExitCode(note.kind)); }
  void Step(const std::string& line) override { log_.Step(line); }

 private:
  SilentLog& log_;
};

// False (and said in log) when the run must not go on: the application is
// installed in another folder than /D= names, and /FORCE is not given.
// Without /D= the run goes into the installed folder.
bool CheckInstalledCopy(const Job& job, const InstallerCommandLine& command_line,
                        IInstalledPrograms& installed, InstallOptions* options, SilentLog& log) {
  InstalledCopy copy;
  if (!installed.Find(job.AppName(), &copy)) return true;
  if (!command_line.has_dest_dir) {
    options->destination = copy.folder;
    log.Step("Installed already in " + copy.folder + ": installing there");
    return true;
  }
  if (SameInstallFolder(options->destination, copy.folder)) {
    log.Step("Installed already in " + copy.folder + ": replacing it");
    return true;
  }
  if (command_line.force) {
    log.Step("Installed already in " + copy.folder + ": another copy, /FORCE given");
    return true;
  }
  log.Add(ReinstallRefusal(job.AppName(), copy.folder, options->destination), kExitUsage);
  return false;
}

void Run(const std::string& program_path, const InstallerCommandLine& command_line,
         IShellServices& shell, SilentLog& log, IInstalledPrograms& installed) {
  std::unique_ptr<TCoffer> container;
  try {
    container = OpenJobContainer(program_path);
  } catch (...) {
    // Without its container the run could only fail to copy.
    log.Add(ContainerNotOpenedMessage(program_path),
            InstallExitCode(NoteKind::kContainerNotOpened));
    return;
  }
  Job job;
  try {
    ReadJob(*container, &job);
  } catch (const std::exception& e) {
    // The job could not be read.
    log.Add(e.what(), kExitContainerError);
    return;
  }
  const bool writable = command_line.users == UserScope::kDefault &&
                        AllUsersFolderWritable(shell, [] { return std::string(); });
  InstallOptions options = UnattendedOptions(job, command_line, writable);
  options.program_path = program_path;
  if (!CheckInstalledCopy(job, command_line, installed, &options, log)) return;
  if (!platform::IsAbsolutePath(options.destination)) {
    log.Add(kDestinationMessage, InstallExitCode(NoteKind::kDestination));
    log.Add("The installation stopped before the page tsinstall", kExitCopyError);
    return;
  }
  LoggedProgress progress(log);
  try {
    RunInstallation(job, container.get(), options, shell, progress);
  } catch (const EInstallError& e) {
    log.Add(e.what(),
            e.Kind() == InstallErrorKind::kLogWrite ? kExitLogWriteError : kExitCopyError);
  } catch (const std::exception& e) {
    log.Add(e.what(), kExitCopyError);
  }
}

}  // namespace

InstallOptions UnattendedOptions(const Job& job, const InstallerCommandLine& command_line,
                                 bool all_users_writable) {
  InstallOptions options;
  options.destination =
      command_line.has_dest_dir ? command_line.dest_dir : job.Value(job_key::kProgramDir);
  switch (command_line.users) {
    case UserScope::kDefault:
      options.all_users = all_users_writable;
      break;
    case UserScope::kAllUsers:
      options.all_users = true;
      break;
    case UserScope::kCurrentUser:
      options.all_users = false;
      break;
  }
  options.desktop = !command_line.no_desktop;
  options.quick_launch = !command_line.no_quick_launch;
  options.launch = command_line.launch;
  // Nothing opens in front of an unattended run unless it is asked for.
  options.post_exec = command_line.post_exec;
  return options;
}

int RunUnattendedInstallation(const std::string& program_path,
                              const InstallerCommandLine& command_line, IShellServices& shell,
                              SilentLog& log, IInstalledPrograms* installed) {
  log.Start();
  RegistryInstalledPrograms registry;
  Run(program_path, command_line, shell, log, installed != nullptr ? *installed : registry);
  return log.ExitCode();
}

}  // namespace vor
