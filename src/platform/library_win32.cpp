// Libraries on Windows: LoadLibraryA, GetProcAddress, FreeLibrary.
#include <windows.h>

#include <cfenv>

#include "platform/library.h"
#include "platform/platform_error.h"

namespace vor::platform {

namespace {

LibraryError LastError() {
  LibraryError error;
  error.code = static_cast<uint32_t>(::GetLastError());
  error.message = OsErrorMessage(error.code);
  return error;
}

}  // namespace

std::unique_ptr<Library> Library::Load(const std::string& path, LibraryError* error) {
  std::fenv_t fpu;
  std::fegetenv(&fpu);
  const UINT old_mode = ::SetErrorMode(SEM_NOOPENFILEERRORBOX);
  const HMODULE module = ::LoadLibraryA(path.c_str());
  const LibraryError failure = module == nullptr ? LastError() : LibraryError();
  ::SetErrorMode(old_mode);
  std::fesetenv(&fpu);
  if (module == nullptr) {
    *error = failure;
    return nullptr;
  }
  return std::make_unique<Library>(Loaded(), reinterpret_cast<void*>(module));
}

Library::~Library() { ::FreeLibrary(reinterpret_cast<HMODULE>(handle_)); }

void* Library::Symbol(const std::string& name, LibraryError* error) const {
  const FARPROC entry = ::GetProcAddress(reinterpret_cast<HMODULE>(handle_), name.c_str());
  if (entry == nullptr) {
    *error = LastError();
    return nullptr;
  }
  return reinterpret_cast<void*>(entry);
}

int32_t CallResultEntry(void* entry) {
  using Entry = HRESULT(STDAPICALLTYPE*)();
  return static_cast<int32_t>(reinterpret_cast<Entry>(entry)());
}

}  // namespace vor::platform
