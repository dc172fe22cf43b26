// The process-wide start-up work.
#include "installer/startup.h"

#include "shell/shell_misc.h"

namespace vor {

// The steps, in order, as the subsystems that own them provide them:
//  1. the collation tables that order container names (directory);
//  2. the registration of the cipher classes and of the text formats of
//     binary data (cryptography);
//  3. seeding the process-wide pseudo-random generator from the time of day
//     (shell helpers).
// The seeding runs here; the other steps join as their subsystems provide them.
void InitializeProcess() { SeedRandomFromTimeOfDay(); }

}  // namespace vor
