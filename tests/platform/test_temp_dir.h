// A fresh temporary folder for one test, removed with everything in it when
// the test ends, and small whole-file helpers for tests that look at disk.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/file.h"
#include "platform/fs.h"

namespace vor::testing {

class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = platform::MakeTempDirectory("vor-test-"); }
  void TearDown() override { platform::RemoveDirectoryTree(dir_); }

  // dir/name, with the platform's own delimiter.
  std::string Path(const std::string& name) const {
    return dir_ + platform::PathDelimiter() + name;
  }

  static std::string ReadAll(const std::string& path) {
    auto file = platform::FileHandle::Open(path, platform::FileAccess::kReadOnly,
                                           platform::FileShare::kShared,
                                           platform::FileDisposition::kOpenExisting);
    if (file == nullptr) return std::string();
    std::string bytes;
    char buffer[65536];
    for (;;) {
      const int32_t n = file->Read(buffer, sizeof(buffer));
      if (n <= 0) break;
      bytes.append(buffer, static_cast<size_t>(n));
    }
    return bytes;
  }

  static bool WriteAll(const std::string& path, const std::string& bytes) {
    auto file = platform::FileHandle::Open(path, platform::FileAccess::kReadWrite,
                                           platform::FileShare::kShared,
                                           platform::FileDisposition::kCreateAlways);
    return file != nullptr && file->Write(bytes.data(), static_cast<int32_t>(bytes.size())) ==
                                  static_cast<int32_t>(bytes.size());
  }

  std::string dir_;
};

}  // namespace vor::testing
