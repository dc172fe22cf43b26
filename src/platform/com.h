// COM initialisation of the calling thread.
//
// A ComApartment is one initialisation of COM on the calling thread in the
// single-threaded apartment model; its destructor balances it with
// CoUninitialize when the initialisation succeeded. On POSIX there is no COM
// and the object records success without doing anything.
#pragma once

#include <cstdint>

namespace vor::platform {

// Which Windows call initialises the apartment.
enum class ComInit {
  kCoInitialize,    // CoInitialize(nullptr)
  kCoInitializeEx,  // CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)
};

class ComApartment {
 public:
  explicit ComApartment(ComInit call);
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  // The call's HRESULT: 0 (S_OK) for a first initialisation, 1 (S_FALSE) when
  // the thread already was in this apartment model, negative on failure.
  int32_t Result() const { return result_; }

 private:
  int32_t result_;
};

}  // namespace vor::platform
