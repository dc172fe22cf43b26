// UU and XX text formats.
//
// Both cut the bytes into lines of at most 45; each line is a length
// character followed by four characters per started group of three bytes.
// Lines follow one another without separators. The two differ only in
// their character table.
#pragma once

#include "crypto/string_format.h"

namespace vor {

class TStringFormat_UU : public TStringFormat {
 public:
  static const TStringFormat_UU* Instance();

  // Raises EStringFormat with "Input is not an valid <DisplayName>
  // Format." when a line does not start with a valid length character.
  std::string Parse(const char* text, int32_t length) const override;
  std::string Render(const uint8_t* data, int32_t length) const override;
  std::string DisplayName() const override { return "UU Coding"; }
  int32_t FormatId() const override { return 21845; }
  // Parsing accepts only whole lines of the right length.
  bool Accepts(const char* input, int32_t length, FormatDirection direction) const override;
  // The character table: positions 0-63 code 6-bit values, the rest are
  // separators.
  virtual const std::string& Alphabet() const;

 protected:
  TStringFormat_UU() = default;
};

class TStringFormat_XX : public TStringFormat_UU {
 public:
  static const TStringFormat_XX* Instance();

  std::string DisplayName() const override { return "XX Coding"; }
  int32_t FormatId() const override { return 22616; }
  const std::string& Alphabet() const override;

 protected:
  TStringFormat_XX() = default;
};

}  // namespace vor
