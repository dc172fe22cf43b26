// The uninstaller's program file: the installer's own program bytes without
// the container behind them.
#pragma once

#include <cstdint>
#include <string>

namespace vor {

// The number of bytes in front of the container in installer_path: where
// the volume finds its header when it opens the installer. Raises
// EInstallError kNoProgramImage when the file cannot be opened as a
// volume or holds no program in front of it (a bare container).
int64_t ProgramImageSize(const std::string& installer_path);

// Writes those bytes to dest_path as an unsigned program (a certificate
// entry in its header is cleared and the checksum set anew), replacing any
// file there in one step (through dest_path + ".new"). Raises EInstallError
// kNoProgramImage (as above) or kImageWrite when dest_path cannot be
// written; no half-written file is left.
void WriteUninstallerImage(const std::string& installer_path, const std::string& dest_path);

}  // namespace vor
