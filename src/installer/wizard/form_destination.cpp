// TForm1's destination on the Options page: the space line and the check
// made before the installation may start.
#include <cstdint>
#include <exception>
#include <string>

#include "installer/engine/copy_meter.h"
#include "installer/engine/destination_check.h"
#include "installer/wizard/form.h"

namespace vor {

uint64_t TForm1::NeededBytes() {
  if (!measured_ && container_ != nullptr) {
    // A package that cannot be measured needs nothing here; the copy then
    // meets and reports what is wrong with it.
    try {
      needed_bytes_ = MeasureProgramFiles(*container_).total;
    } catch (const std::exception&) {
      needed_bytes_ = 0;
    }
  }
  measured_ = true;
  return needed_bytes_;
}

void TForm1::ShowSpace() {
  const std::string& folder = Text(ControlId::eDestDir);
  const int64_t available =
      services_.free_bytes ? services_.free_bytes(folder) : FreeBytesAt(folder);
  SetText(ControlId::lSpace, SpaceLine(NeededBytes(), available));
}

bool TForm1::DestinationAccepted() {
  const DestinationCheck check =
      CheckDestination(Text(ControlId::eDestDir), NeededBytes(),
                       services_.free_bytes ? services_.free_bytes : FreeBytesQuery(FreeBytesAt));
  if (check.fault == DestinationFault::kNone) return true;
  MessageBox().ShowNote({NoteKind::kDestination, check.message});
  return false;
}

}  // namespace vor
