// The runtime's helpers that the standard containers and strings call to
// raise their errors (a failed allocation, a length past max_size(), an
// index past the end), defined by the program itself.
//
// The runtime library keeps all of these helpers in one object, and that
// object builds std::logic_error and its relatives, whose messages are held
// in the library's older reference-counted string: linking it brings that
// whole second string implementation (and what it needs in turn) into the
// installer program. Defined here, in an object linked ahead of the runtime
// library, the runtime's object is never pulled in.
//
// Only the helpers this program's link references are defined. Should code
// come to use another one, the linker pulls the runtime's object for it and
// then fails on the helpers defined twice: add the new helper here.
//
// Each still raises an exception where the runtime's would: allocation and
// length failures raise std::bad_alloc (a length past max_size() is a request
// no allocation can meet), range and logic failures an error of the misuse
// kind with the runtime's message. No code in this program catches the
// runtime's std::length_error, std::out_of_range or std::logic_error by type;
// handlers for std::exception see all of these as before.
#include <cstdarg>
#include <cstddef>
#include <new>
#include <string>

#include "common/error.h"

namespace {

// The runtime's range messages name the offending index and size:
// "%s: __pos (which is %zu) > this->size() (which is %zu)" and the like.
std::string FormatRuntimeMessage(const char* format, va_list args) {
  std::string text;
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      text += *p;
      continue;
    }
    const char* conversion = p + 1;
    while (*conversion == 'z' || *conversion == 'l') ++conversion;
    const std::string size(p + 1, conversion);
    switch (*conversion) {
      case 's': {
        const char* s = va_arg(args, const char*);
        text += s != nullptr ? s : "";
        break;
      }
      case 'u':
        if (size == "z") {
          text += std::to_string(va_arg(args, std::size_t));
        } else if (size == "l") {
          text += std::to_string(va_arg(args, unsigned long));
        } else if (size == "ll") {
          text += std::to_string(va_arg(args, unsigned long long));
        } else {
          text += std::to_string(va_arg(args, unsigned));
        }
        break;
      case 'd':
        text += std::to_string(va_arg(args, int));
        break;
      case '%':
        text += '%';
        break;
      default:  // nothing else appears in the runtime's messages
        text.append(p, conversion + (*conversion != '\0' ? 1 : 0));
        break;
    }
    if (*conversion == '\0') break;
    p = conversion;
  }
  return text;
}

}  // namespace

namespace std {

void __throw_bad_alloc() { throw std::bad_alloc(); }

void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }

void __throw_length_error(const char*) { throw std::bad_alloc(); }

void __throw_logic_error(const char* message) {
  throw vor::EVorError(message, vor::ErrorKind::kMisuse);
}

void __throw_out_of_range_fmt(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string message = FormatRuntimeMessage(format, args);
  va_end(args);
  throw vor::EVorError(message, vor::ErrorKind::kMisuse);
}

}  // namespace std
