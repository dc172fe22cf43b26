// The shell services of the window model on Windows: the all-users Programs
// folder and launching through the shell.
#pragma once

#include <windows.h>

#include <string>

#include "installer/form_services.h"

namespace vor::win32 {

class ShellAdapter : public IInstallerShell {
 public:
  // owner: the window the folder lookups are made for.
  explicit ShellAdapter(HWND owner) : owner_(owner) {}
  std::string GetCommonProgramsFolder() override;
  bool Launch(const std::string& file_name, const std::string& parameters) override;

 private:
  HWND owner_;
};

}  // namespace vor::win32
