// The handler std::terminate calls when an exception escapes where none may
// (a destructor, a noexcept function, a thread's body).
//
// The runtime's default handler writes the exception's demangled type name
// to the standard error stream before aborting. A window program has no such
// stream, and the demangler alone is some 50 KB of the installer program, so
// the program defines the runtime's default handler itself, in an object
// linked ahead of the runtime library: it aborts at once, and the runtime's
// version with the demangler it needs stays out of the program. Exceptions
// that reach the program's entry are reported there (error_report.h).
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
