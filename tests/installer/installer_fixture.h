// Installers made in the test: a stub (any bytes) followed by a container
// that the engine makes, as the builder makes them; and the window shown on
// such a program with fake services.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "container/coffer.h"
#include "container/stream/file_stream.h"
#include "installer/fake_services.h"
#include "installer/wizard/form.h"
#include "platform/test_temp_dir.h"

namespace vor::testing {

struct StoredFile {
  std::string name;   // container path, "\\" + ...; parents are made
  std::string bytes;  // ignored for folders
  bool folder = false;
};

class InstallerTest : public TempDirTest {
 protected:
  std::string MakeInstaller(const std::vector<StoredFile>& files,
                            const std::string& password = kJobPassword, uint8_t compression = 1) {
    const std::string container = Path("job.cfr");
    {
      TCoffer coffer(container, 0xFFFF, password, "", "", compression);
      for (const StoredFile& f : files) {
        if (f.folder) {
          coffer.CreateFolder(f.name);
          continue;
        }
        const size_t folder_end = f.name.rfind('\\');
        if (folder_end > 0) coffer.CreateFolder(f.name.substr(0, folder_end));
        TCFRFileStream stream(&coffer, f.name, 0xFFFF, "", "", "", 0);
        stream.WriteBuffer(f.bytes.data(), static_cast<int32_t>(f.bytes.size()));
      }
    }
    const std::string program = Path("setup.exe");
    EXPECT_TRUE(WriteAll(program, Stub() + ReadAll(container)));
    platform::DeleteFile(container);
    return program;
  }

  static std::string Stub() {
    std::string stub = "MZ";
    for (int i = 0; i < 3000; ++i) stub += static_cast<char>((i * 37) & 0xFF);
    return stub;
  }

  static std::string ResourceFile(const char* name) {
    return ReadAll(std::string(VOR_INSTALLER_RES_DIR) + "/" + name);
  }

  // The window as the program shows it: services wired in, then FormShow.
  TForm1& Show(const std::string& program) {
    form_ = std::make_unique<TForm1>();
    form_->SetServices(fakes_.For(program));
    form_->FormShow();
    return *form_;
  }

  FakeServices fakes_;
  std::unique_ptr<TForm1> form_;
};

}  // namespace vor::testing
