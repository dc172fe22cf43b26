// The message of the engine error an action raises, for tests that compare
// the exact text.
#pragma once

#include <functional>
#include <string>

namespace vor::testing {

// Runs action and returns the message of the EVorError it raises, or
// "no error" when it returns normally. Other exceptions pass through.
std::string ErrorMessage(const std::function<void()>& action);

}  // namespace vor::testing
