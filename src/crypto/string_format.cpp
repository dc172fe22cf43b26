// The copy format, the format registry and the format entry points.

#include "crypto/string_format.h"

#include <cstring>
#include <vector>

#include "crypto/string_format_hex.h"
#include "crypto/string_format_uu.h"

namespace vor {

namespace {

using FormatList = std::vector<const TStringFormat*>;

// The process-wide registry, holding the standard formats from its first
// use on. It is changed only during start-up.
FormatList& Registry() {
  static FormatList registry = {TStringFormat::Instance(),      TStringFormat_HEX::Instance(),
                                TStringFormat_HEXL::Instance(), TStringFormat_MIME64::Instance(),
                                TStringFormat_UU::Instance(),   TStringFormat_XX::Instance()};
  return registry;
}

const TStringFormat* FormatOrRaise(int32_t format_id) {
  const TStringFormat* format = FindStringFormat(format_id);
  if (format == nullptr) {
    throw EStringFormat("String Format \"" + std::to_string(format_id) + "\" not exists.",
                        ErrorKind::kNotFound);
  }
  return format;
}

}  // namespace

const TStringFormat* TStringFormat::Instance() {
  static const TStringFormat instance;
  return &instance;
}

std::string TStringFormat::Parse(const char* text, int32_t length) const {
  if (text == nullptr || length <= 0) return std::string();
  return std::string(text, static_cast<size_t>(length));
}

std::string TStringFormat::Render(const uint8_t* data, int32_t length) const {
  if (data == nullptr || length <= 0) return std::string();
  return std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
}

bool TStringFormat::Accepts(const char* input, int32_t length, FormatDirection direction) const {
  (void)input;
  (void)length;
  (void)direction;
  return true;
}

void AddStringFormats(std::initializer_list<const TStringFormat*> formats) {
  FormatList& registry = Registry();
  for (const TStringFormat* format : formats) {
    if (format == nullptr) continue;
    bool replaced = false;
    for (const TStringFormat*& entry : registry) {
      if (entry->FormatId() == format->FormatId()) {
        entry = format;
        replaced = true;
        break;
      }
    }
    if (!replaced) registry.push_back(format);
  }
}

void RegisterStringFormats() {
  AddStringFormats({TStringFormat::Instance(), TStringFormat_HEX::Instance(),
                    TStringFormat_HEXL::Instance(), TStringFormat_MIME64::Instance(),
                    TStringFormat_UU::Instance(), TStringFormat_XX::Instance()});
}

const TStringFormat* FindStringFormat(int32_t format_id) {
  if (format_id == -1) format_id = DefaultStringFormatId;
  for (const TStringFormat* format : Registry()) {
    if (format->FormatId() == format_id) return format;
  }
  return nullptr;
}

std::string RenderInFormat(const void* data, int32_t length, int32_t format_id) {
  if (data == nullptr || format_id == 0) return std::string();
  if (length < 0) length = static_cast<int32_t>(std::strlen(static_cast<const char*>(data)));
  if (length == 0) return std::string();
  const TStringFormat* format = FormatOrRaise(format_id);
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  if (!format->Accepts(reinterpret_cast<const char*>(bytes), length, FormatDirection::kRender)) {
    throw EStringFormat("Input is not an valid " + format->DisplayName() + " Format.",
                        ErrorKind::kDamaged);
  }
  return format->Render(bytes, length);
}

std::string RenderInFormat(const std::string& data, int32_t format_id) {
  return RenderInFormat(data.data(), static_cast<int32_t>(data.size()), format_id);
}

std::string ParseFromFormat(const char* text, int32_t length, int32_t format_id) {
  if (text == nullptr || format_id == 0) return std::string();
  if (length < 0) length = static_cast<int32_t>(std::strlen(text));
  if (length == 0) return std::string();
  const TStringFormat* format = FormatOrRaise(format_id);
  if (!format->Accepts(text, length, FormatDirection::kParse)) {
    throw EStringFormat("Input is not an valid " + format->DisplayName() + " Format.",
                        ErrorKind::kDamaged);
  }
  return format->Parse(text, length);
}

std::string ParseFromFormat(const std::string& text, int32_t format_id) {
  return ParseFromFormat(text.data(), static_cast<int32_t>(text.size()), format_id);
}

std::string HashString(THashClass hash_class, const std::string& text,
                       std::shared_ptr<TProtection> protection, int32_t format_id) {
  if (hash_class == nullptr) hash_class = DefaultHashClass();
  std::shared_ptr<THash> hash = hash_class(std::move(protection));
  hash->Start();
  hash->Update(text.data(), static_cast<int32_t>(text.size()));
  hash->Finish();
  return RenderInFormat(hash->Digest(), hash->DigestSize(), format_id);
}

}  // namespace vor
