// COM initialisation on Windows.
#include <objbase.h>

#include "platform/com.h"

namespace vor::platform {

ComApartment::ComApartment(ComInit call)
    : result_(call == ComInit::kCoInitialize ? CoInitialize(nullptr)
                                             : CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}

ComApartment::~ComApartment() {
  if (SUCCEEDED(result_)) CoUninitialize();
}

}  // namespace vor::platform
