// A picture in the Windows icon file format.
#include "package/icon_image.h"

#include "common/coding.h"
#include "package/install_error.h"

namespace vor {

namespace {

constexpr size_t kDirectorySize = 6;
constexpr size_t kEntrySize = 16;
constexpr uint16_t kIconType = 1;

[[noreturn]] void NotAnIcon() {
  throw EInstallError(InstallErrorKind::kIconFormat, kIconFormatMessage);
}

}  // namespace

std::shared_ptr<const IconPicture> ParseIcon(const std::string& bytes) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t size = bytes.size();
  if (size < kDirectorySize) NotAnIcon();
  const uint16_t reserved = DecodeFixed16(data);
  const uint16_t type = DecodeFixed16(data + 2);
  const uint16_t count = DecodeFixed16(data + 4);
  if (reserved != 0 || type != kIconType || count == 0) NotAnIcon();
  if (count > (size - kDirectorySize) / kEntrySize) NotAnIcon();

  auto picture = std::make_shared<IconPicture>();
  picture->bytes = bytes;
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* entry = data + kDirectorySize + kEntrySize * i;
    IconEntry e;
    e.width = entry[0] == 0 ? 256 : entry[0];
    e.height = entry[1] == 0 ? 256 : entry[1];
    e.bit_count = DecodeFixed16(entry + 6);
    e.size = DecodeFixed32(entry + 8);
    e.offset = DecodeFixed32(entry + 12);
    const size_t directory_end = kDirectorySize + kEntrySize * count;
    if (e.size == 0 || e.offset < directory_end || e.offset > size || e.size > size - e.offset) {
      NotAnIcon();
    }
    picture->entries.push_back(e);
  }
  return picture;
}

const IconEntry& IconPicture::BestFor(int width, int height) const {
  const IconEntry* best = &entries.front();
  auto fits = [width, height](const IconEntry& e) {
    return e.width <= width && e.height <= height;
  };
  auto area = [](const IconEntry& e) { return e.width * e.height; };
  for (const IconEntry& e : entries) {
    const bool e_fits = fits(e);
    const bool best_fits = fits(*best);
    bool better;
    if (e_fits != best_fits) {
      better = e_fits;
    } else if (area(e) != area(*best)) {
      better = e_fits ? area(e) > area(*best) : area(e) < area(*best);
    } else {
      better = e.bit_count > best->bit_count;
    }
    if (better) best = &e;
  }
  return *best;
}

}  // namespace vor
