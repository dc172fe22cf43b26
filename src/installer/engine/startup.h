// The process-wide start-up work that runs before the installer window is
// created.
#pragma once

namespace vor {

// Sets up the state that the whole process shares and reads afterwards. Runs
// once, at program start, before any window or container exists.
void InitializeProcess();

}  // namespace vor
