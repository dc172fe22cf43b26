// Fuzz entry: ParseFromFormat on arbitrary text for every string format,
// and render-then-parse round trips.
#include <string>

#include "crypto/string_format.h"
#include "fuzz_entries.h"

namespace vor::fuzz {

namespace {

// The registered identifiers, the default, "empty" and one not registered.
constexpr int32_t kFormatIds[] = {1, 16, 1016, 4196, 21845, 22616, -1, 0, 2};

}  // namespace

std::string StringFormatEntry(const uint8_t* data, size_t size) {
  if (size < 2) return std::string();
  const int32_t id = kFormatIds[data[0] % (sizeof(kFormatIds) / sizeof(kFormatIds[0]))];
  const uint8_t call = data[1];
  const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
  const int32_t length = static_cast<int32_t>(text.size());

  switch (call % 4) {
    case 0:
    case 1: {
      // Parse, with the length given or (call 1) up to the first zero byte.
      std::string parsed;
      try {
        parsed = ParseFromFormat(text.c_str(), call % 4 == 0 ? length : -1, id);
      } catch (const EStringFormat&) {
        if (id == 0 || id == 1) return "the copy or empty format refused text";
        if (id != 2 && text.empty()) return "empty text raised";
        return std::string();
      }
      if (id == 0 && !parsed.empty()) return "format 0 parsed to bytes";
      if (id == 1 && call % 4 == 0 && parsed != text) return "the copy format changed the text";
      // No format makes more bytes than characters it was given.
      if (parsed.size() > text.size()) return "a parse gave more bytes than characters";
      return std::string();
    }
    default: {
      // The text's bytes are rendered and must parse back unchanged.
      std::string rendered;
      try {
        rendered = RenderInFormat(text.data(), length, id);
      } catch (const EStringFormat&) {
        if (id != 2) return "rendering raised for a registered format";
        return std::string();
      }
      // Empty input gives "" before the format is looked up.
      if (id == 2 && length > 0) return "an unregistered format rendered";
      if (id == 2) return std::string();
      std::string parsed;
      try {
        parsed = ParseFromFormat(rendered, id);
      } catch (const EStringFormat& e) {
        return std::string("rendered text does not parse: ") + e.what();
      }
      if (id == 0) return parsed.empty() ? std::string() : "format 0 parsed to bytes";
      if (parsed != text)
        return "render then parse changed the bytes, format " + std::to_string(id);
      return std::string();
    }
  }
}

}  // namespace vor::fuzz
