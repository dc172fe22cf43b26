#include "support/page_file_fixture.h"

namespace vor::testing {

void PageFileTest::SetUp() {
  TempDirTest::SetUp();
  Open(kOpenModeCreate);
}

void PageFileTest::TearDown() {
  Close();
  TempDirTest::TearDown();
}

void PageFileTest::Open(uint16_t mode) {
  Close();
  pf_ = std::make_unique<TPageFileManager>(File(), mode, "", "", "", false, 4096, 8, -1);
  fs_ = std::make_unique<TFreeSpaceManager>(*pf_);
  OpenLayers();
}

void PageFileTest::Close() {
  CloseLayers();
  fs_.reset();
  pf_.reset();
}

}  // namespace vor::testing
