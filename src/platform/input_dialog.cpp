// InputQuery: the hook, or the system's dialog.
#include "platform/input_dialog.h"

#include <utility>

namespace vor::platform {
namespace {

InputQueryHook& Hook() {
  static InputQueryHook hook;
  return hook;
}

}  // namespace

bool InputQuery(const std::string& caption, const std::string& prompt, bool hide_input,
                std::string* value) {
  if (Hook()) return Hook()(caption, prompt, hide_input, value);
  return ShowInputDialog(caption, prompt, hide_input, value);
}

InputQueryHook SetInputQueryHook(InputQueryHook hook) {
  InputQueryHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

}  // namespace vor::platform
