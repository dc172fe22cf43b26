#include "support/error_message.h"

#include "common/error.h"

namespace vor::testing {

std::string ErrorMessage(const std::function<void()>& action) {
  try {
    action();
  } catch (const EVorError& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace vor::testing
