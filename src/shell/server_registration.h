// Registration of COM server libraries and the folder helpers the
// installation uses.
#pragma once

#include <string>

namespace vor {

// Loads dll_name (the open-file error box suppressed, the floating-point
// environment kept), calls its "DllRegisterServer" export and unloads it.
// Raises platform::EPlatformError with the system's message + ": " +
// dll_name when the library cannot be loaded, platform::EPlatformError with
// the system's message when the export is missing, and EShellCallError with
// the system's message for the returned code when registration fails.
void RegisterServerLibrary(const std::string& dll_name);

// The same with the "DllUnregisterServer" export, which undoes the
// registration; the same failures are raised.
void UnregisterServerLibrary(const std::string& dll_name);

// True when path names an existing folder.
bool DiskFolderExists(const std::string& path);

// Creates the folder path and every parent that does not exist yet; true
// when the folder exists afterwards. An empty path raises EShellMiscError
// "Unable to create directory". A trailing delimiter is ignored; a drive
// ("C:") or a root counts as existing.
bool CreateFolderPath(const std::string& path);

}  // namespace vor
