// Code page conversion through iconv; the local encoding is UTF-8.
#include <errno.h>
#include <iconv.h>

#include <memory>
#include <string>

#include "platform/codepage.h"

namespace vor::platform {

namespace {

constexpr const char kLocalEncoding[] = "UTF-8";

std::string CodePageName(uint32_t cp) { return "CP" + std::to_string(cp); }

// One iconv descriptor, closed when it goes out of scope.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (Valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // The whole of in converted; false at the first byte sequence without a
  // counterpart. iconv reports a character the target lacks either as an
  // error or as an irreversible conversion (a count above 0), and both fail.
  bool Convert(const std::string& in, std::string* out) {
    std::string result;
    std::string buffer(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    while (true) {
      char* dst = &buffer[0];
      size_t dst_left = buffer.size();
      const size_t rc = src_left == 0 ? iconv(cd_, nullptr, nullptr, &dst, &dst_left)
                                      : iconv(cd_, &src, &src_left, &dst, &dst_left);
      result.append(buffer.data(), buffer.size() - dst_left);
      if (rc == static_cast<size_t>(-1)) {
        if (errno == E2BIG) continue;
        return false;
      }
      if (rc > 0) return false;
      if (src_left == 0) break;
    }
    // Flush any shift state.
    char* dst = &buffer[0];
    size_t dst_left = buffer.size();
    if (iconv(cd_, nullptr, nullptr, &dst, &dst_left) == static_cast<size_t>(-1)) return false;
    result.append(buffer.data(), buffer.size() - dst_left);
    *out = std::move(result);
    return true;
  }

 private:
  iconv_t cd_;
};

bool Run(const std::string& to, const std::string& from, const std::string& in, std::string* out) {
  Converter converter(to, from);
  return converter.Valid() && converter.Convert(in, out);
}

}  // namespace

bool CodePageSupported(uint32_t cp) {
  if (cp == 0 || cp == 65000 || cp == 65001) return false;  // UTF-7 and UTF-8 are no code pages
  Converter to(CodePageName(cp), kLocalEncoding);
  Converter from(kLocalEncoding, CodePageName(cp));
  return to.Valid() && from.Valid();
}

bool LocalToCodePage(const std::string& local, uint32_t cp, std::string* out) {
  if (local.find('\0') != std::string::npos) return false;
  std::string result;
  if (!Run(CodePageName(cp), kLocalEncoding, local, &result)) return false;
  // A character that iconv maps without complaint but that does not come
  // back unchanged (a best-fit mapping) is not representable either.
  std::string back;
  if (!Run(kLocalEncoding, CodePageName(cp), result, &back) || back != local) return false;
  *out = std::move(result);
  return true;
}

bool CodePageToLocal(const std::string& text, uint32_t cp, std::string* out) {
  if (text.find('\0') != std::string::npos) return false;
  return Run(kLocalEncoding, CodePageName(cp), text, out);
}

bool CodePageToUtf8(const std::string& text, uint32_t cp, std::string* out) {
  return CodePageToLocal(text, cp, out);
}

bool Utf8ToCodePage(const std::string& utf8, uint32_t cp, std::string* out) {
  return LocalToCodePage(utf8, cp, out);
}

}  // namespace vor::platform
