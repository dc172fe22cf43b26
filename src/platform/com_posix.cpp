// COM initialisation on POSIX: there is no COM; the apartment always succeeds.
#include "platform/com.h"

namespace vor::platform {

ComApartment::ComApartment(ComInit /*call*/) : result_(0) {}

ComApartment::~ComApartment() = default;

}  // namespace vor::platform
