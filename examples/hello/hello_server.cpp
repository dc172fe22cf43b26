// A COM server of the example package that has nothing to register: its
// registration entry points succeed without touching the registry, so the
// installer's registration step (pregister0) can be seen to work.
extern "C" {

long __stdcall DllRegisterServer() { return 0; }
long __stdcall DllUnregisterServer() { return 0; }
}
