// Text formats of binary data and their registry.
//
// A format renders bytes as text and parses such text back. TStringFormat
// is itself the copy format; the others (hexadecimal, MIME base 64, UU and
// XX coding) are in string_format_hex.h and string_format_uu.h. Formats
// have no instance data: each class has one shared instance, and the
// registry refers to formats by that instance. Formats are registered under
// their FormatId and looked up by it; -1 stands for the default, MIME base
// 64 (4196), and 0 renders and parses everything as empty.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "common/error.h"
#include "crypto/hash.h"

namespace vor {

class EStringFormat : public EVorError {
 public:
  EStringFormat(const std::string& message, ErrorKind kind) : EVorError(message, kind) {}
};

enum class FormatDirection { kRender, kParse };

class TStringFormat {
 public:
  virtual ~TStringFormat() = default;

  // The shared instance of the copy format.
  static const TStringFormat* Instance();

  // Text to bytes. May raise EStringFormat for text of the wrong shape.
  virtual std::string Parse(const char* text, int32_t length) const;
  // Bytes to text.
  virtual std::string Render(const uint8_t* data, int32_t length) const;
  virtual std::string DisplayName() const { return "copy Input to Output"; }
  virtual int32_t FormatId() const { return 1; }
  // Whether the input can go in the given direction; rendering always can.
  virtual bool Accepts(const char* input, int32_t length, FormatDirection direction) const;

 protected:
  TStringFormat() = default;
};

// The identifier that -1 stands for.
constexpr int32_t DefaultStringFormatId = 4196;

// Registers each non-null format in order: one whose FormatId is already
// registered replaces that entry in place, any other is appended.
void AddStringFormats(std::initializer_list<const TStringFormat*> formats);

// Registers the six standard formats (copy, HEX, HEXL, MIME64, UU, XX).
// The registry starts out holding them; start-up calls this so that the
// standard set is in place however the registry was changed before.
void RegisterStringFormats();

// The first registered format with that identifier (-1: the default), or
// null.
const TStringFormat* FindStringFormat(int32_t format_id);

// Renders length bytes of data (negative: up to the first zero byte) in
// the format format_id. Null data, format 0 or length 0 give "". Raises
// EStringFormat with "String Format "<id>" not exists." for an identifier
// that is not registered.
std::string RenderInFormat(const void* data, int32_t length, int32_t format_id);
std::string RenderInFormat(const std::string& data, int32_t format_id);

// Parses length characters of text (negative: up to the first zero byte)
// from the format format_id. Null text, format 0 or length 0 give "".
// Raises EStringFormat for an unknown identifier and, with "Input is not an
// valid <DisplayName> Format.", for text the format does not accept.
std::string ParseFromFormat(const char* text, int32_t length, int32_t format_id);
std::string ParseFromFormat(const std::string& text, int32_t format_id);

// The digest of the bytes of text under a new object of hash_class with
// the given inner protection, rendered in the format format_id (1 gives
// the raw digest bytes).
std::string HashString(THashClass hash_class, const std::string& text,
                       std::shared_ptr<TProtection> protection, int32_t format_id);

}  // namespace vor
