// Hexadecimal and MIME base 64 text formats.
//
// HEX renders upper-case digits, HEXL lower-case; both parse either case,
// honour a "0x" or "$" prefix (the first prefix mark discards what was
// parsed before it) and skip separator characters. MIME64 is RFC 2045 base
// 64 without line breaks.
#pragma once

#include "crypto/string_format.h"

namespace vor {

class TStringFormat_HEX : public TStringFormat {
 public:
  static const TStringFormat_HEX* Instance();

  std::string Parse(const char* text, int32_t length) const override;
  std::string Render(const uint8_t* data, int32_t length) const override;
  std::string DisplayName() const override { return "Hexadecimal"; }
  int32_t FormatId() const override { return 16; }
  // Parsing accepts text whose every character is in Alphabet().
  bool Accepts(const char* input, int32_t length, FormatDirection direction) const override;
  // The format's character table; positions 0-15 are the digits rendered.
  virtual const std::string& Alphabet() const;

 protected:
  TStringFormat_HEX() = default;
};

class TStringFormat_HEXL : public TStringFormat_HEX {
 public:
  static const TStringFormat_HEXL* Instance();

  std::string DisplayName() const override { return "Hexadecimal lowercase"; }
  int32_t FormatId() const override { return 1016; }
  const std::string& Alphabet() const override;

 protected:
  TStringFormat_HEXL() = default;
};

class TStringFormat_MIME64 : public TStringFormat_HEX {
 public:
  static const TStringFormat_MIME64* Instance();

  std::string Parse(const char* text, int32_t length) const override;
  std::string Render(const uint8_t* data, int32_t length) const override;
  std::string DisplayName() const override { return "MIME Base 64"; }
  int32_t FormatId() const override { return 4196; }
  const std::string& Alphabet() const override;

 protected:
  TStringFormat_MIME64() = default;
};

}  // namespace vor
