// A test fixture holding a container's page file and allocation maps in a
// fresh temporary folder, for tests of the layers built on them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "container/store/allocation_maps.h"
#include "container/store/page_file.h"
#include "platform/test_temp_dir.h"

namespace vor::testing {

class PageFileTest : public TempDirTest {
 protected:
  // Creates box.cfr and opens the layers.
  void SetUp() override;
  void TearDown() override;

  // The container's file.
  std::string File() const { return Path("box.cfr"); }
  // Closes, then opens box.cfr (4096-byte pages, eight to an extent, one
  // part) in mode with its allocation maps and the test's own layers.
  void Open(uint16_t mode);
  // Closes the test's own layers, then the maps and the page file.
  void Close();

  // The test's managers built on pf_ and fs_, made after them and dropped
  // before them.
  virtual void OpenLayers() {}
  virtual void CloseLayers() {}

  std::unique_ptr<TPageFileManager> pf_;
  std::unique_ptr<TFreeSpaceManager> fs_;
};

}  // namespace vor::testing
