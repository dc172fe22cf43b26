// The process-wide start-up work.
#include "installer/engine/startup.h"

#include "container/store/collation.h"
#include "crypto/cipher_registry.h"
#include "crypto/string_format.h"
#include "shell/shell_misc.h"

namespace vor {

// The steps, in order, as the subsystems that own them provide them:
//  1. the collation tables that order container names (directory);
//  2. the registration of the cipher classes and of the text formats of
//     binary data (cryptography);
//  3. seeding the process-wide pseudo-random generator from the time of day
//     (shell helpers).
void InitializeProcess() {
  InitCollation();
  RegisterCipherClasses();
  RegisterStringFormats();
  SeedRandomFromTimeOfDay();
}

}  // namespace vor
