// A picture in the Windows icon file format (an icon directory followed by
// its images), as the job package carries it for the window's two images.
//
// The model checks the format and keeps the bytes; the view turns the image
// that suits a control best into something it can draw.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vor {

struct IconEntry {
  int width = 0;  // pixels; a stored 0 means 256
  int height = 0;
  int bit_count = 0;
  uint32_t offset = 0;  // of the image data in the file
  uint32_t size = 0;
};

struct IconPicture {
  std::string bytes;  // the whole icon file
  std::vector<IconEntry> entries;

  // The entry that best fills a width x height control: the largest that
  // fits, else the smallest; at equal size the one with more colours.
  const IconEntry& BestFor(int width, int height) const;
};

// Checks bytes as an icon file: reserved word 0, type 1, at least one image,
// the directory and every image inside the data. Raises EInstallError
// (kIconFormat) otherwise.
std::shared_ptr<const IconPicture> ParseIcon(const std::string& bytes);

}  // namespace vor
