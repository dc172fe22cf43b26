// A small, complete job package on disk for the vorpack tests, and an
// installer program to put in front of it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/test_temp_dir.h"

namespace vor::testing {

// A Windows icon file: a directory of one 16x16 image whose bytes follow it.
std::string SampleIcon();
// A stand-in installer program: a PE header for 32-bit x86, the container
// signatures among its bytes (as the real program has them), size bytes in
// all, so that the volume header behind it starts where the installer's
// search must look across two of its read windows.
std::string FakeStub(size_t size);
// Bytes that do not compress, from a fixed seed.
std::string NoiseBytes(size_t size, uint32_t seed);

class PackageTest : public TempDirTest {
 protected:
  void SetUp() override;

  // The package folder and a path inside it ("Programfiles/app.exe").
  std::string PackageDir() const { return Path("pkg"); }
  std::string PackagePath(const std::string& relative) const;
  // Writes a file of the package, making its folders; false when the
  // file system refuses the name.
  bool Put(const std::string& relative, const std::string& bytes);
  void Remove(const std::string& relative);
  // The installer program the tests build with: VORPACK_TEST_STUB when set
  // (the real one, on Windows builds), else FakeStub.
  std::string StubBytes();

  // The files of the complete package, by relative path, with their bytes
  // as stored (the UTF-8 JOB.INI in code page 1252, the UTF-8 readme.rtf
  // with escapes).
  std::vector<std::pair<std::string, std::string>> stored_files_;
};

}  // namespace vor::testing
