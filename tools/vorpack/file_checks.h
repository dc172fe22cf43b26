// Checks of the binary files a build takes in: the package's icon and the
// installer program put in front of the container.
#pragma once

#include <cstdint>
#include <string>

namespace vor::vorpack {

// Why bytes are not a Windows icon file ("" when they are one): an icon
// directory (reserved 0, type 1, at least one image) whose entries all
// point at images that lie inside the file, after the directory.
std::string IconProblem(const std::string& bytes);

// Why bytes cannot be the installer program ("" when they can): not a PE
// file ("MZ" header whose e_lfanew points at "PE\0\0" and a file header), or
// already followed by a container, whose volume header the installer would
// find before the new one.
std::string StubProblem(const std::string& bytes);

// The machine field of a PE file's header (0x14C for 32-bit x86); 0 when
// bytes are no PE file.
uint16_t PeMachine(const std::string& bytes);

// Offset of the first volume header in bytes that is followed by a
// container header, as the installer's search finds it; -1 when there is
// none.
int64_t FindVolumeHeader(const std::string& bytes);

}  // namespace vor::vorpack
