// A store environment that injects faults into the engine's disk changes:
// the "process dies" before its Nth change to the disk (a write then lands
// only in part, and nothing after it reaches the disk), the Nth write or the
// Nth flush fails, or no new part file can be made.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/error.h"
#include "container/volume/disk_file.h"
#include "container/volume/store_environment.h"

namespace vor::testing {

enum class Fault { kNone, kCrash, kWriteFails, kFlushFails };

// What happens to one change to the disk.
enum class Verdict { kGo, kRefuse, kHalf };

class FaultEnvironment : public TStoreEnvironment {
 public:
  void Arm(Fault fault, int64_t at) {
    fault_ = fault;
    at_ = at;
    changes_ = 0;
    flushes_ = 0;
    dead_ = false;
    fired_ = false;
  }
  int64_t Changes() const { return changes_; }
  int64_t Flushes() const { return flushes_; }
  bool Fired() const { return fired_; }

  // Counts a change (a write, a size change, a file made or deleted).
  Verdict Change(bool write) {
    if (dead_) return Verdict::kRefuse;
    const int64_t index = changes_++;
    if (index != at_) return Verdict::kGo;
    if (fault_ == Fault::kCrash) {
      dead_ = fired_ = true;
      return write ? Verdict::kHalf : Verdict::kRefuse;
    }
    if (fault_ == Fault::kWriteFails && write) {
      fired_ = true;
      return Verdict::kRefuse;
    }
    return Verdict::kGo;
  }
  bool FlushAllowed() {
    if (dead_) return false;
    const int64_t index = flushes_++;
    if (fault_ == Fault::kFlushFails && index == at_) {
      fired_ = true;
      return false;
    }
    return true;
  }

  std::unique_ptr<TCFRAbstractFile> NewDiskStore(const std::string& path, bool read_only,
                                                 bool exclusive) override;
  // New files other than journals cannot be made (a full disk, as far as
  // the growth of a volume is concerned).
  void RefuseNewParts(bool refuse) { refuse_new_parts_ = refuse; }
  bool NewFileAllowed(const std::string& path) const {
    // A journal is made under its "-new" name and then renamed.
    auto ends_with = [&path](const std::string& suffix) {
      return path.size() > suffix.size() &&
             path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    return !refuse_new_parts_ || ends_with("-journal") || ends_with("-journal-new");
  }

  bool DeleteFile(const std::string& path) override {
    return Change(false) == Verdict::kGo && TStoreEnvironment::DeleteFile(path);
  }
  bool ReplaceFile(const std::string& from, const std::string& to) override {
    return Change(false) == Verdict::kGo && TStoreEnvironment::ReplaceFile(from, to);
  }
  bool FlushFolderOf(const std::string& path) override {
    return FlushAllowed() && TStoreEnvironment::FlushFolderOf(path);
  }

 private:
  Fault fault_ = Fault::kNone;
  int64_t at_ = -1;
  int64_t changes_ = 0;
  int64_t flushes_ = 0;
  bool dead_ = false;
  bool fired_ = false;
  bool refuse_new_parts_ = false;
};

// A disk store whose changes go through the environment's verdicts.
class FaultyStore : public TCFRAbstractFile {
 public:
  FaultyStore(FaultEnvironment& env, const std::string& path, bool read_only, bool exclusive)
      : TCFRAbstractFile(path, read_only, exclusive),
        env_(env),
        inner_(std::make_unique<TCFRDiskFile>(path, read_only, exclusive)) {}

  void SetSize(int64_t value) override {
    if (env_.Change(false) != Verdict::kGo) throw EVorError("simulated failure", ErrorKind::kIo);
    inner_->SetSize(value);
  }
  void Close() override { inner_->Close(); }
  bool Flush() override { return env_.FlushAllowed() && inner_->Flush(); }
  bool Open(bool create) override {
    if (create && (!env_.NewFileAllowed(FileName()) || env_.Change(false) != Verdict::kGo)) {
      return false;
    }
    return inner_->Open(create);
  }
  bool IsOpen() const override { return inner_->IsOpen(); }
  int32_t Read(void* buffer, int32_t count) override { return inner_->Read(buffer, count); }
  int64_t Seek(int64_t offset, uint16_t origin) override { return inner_->Seek(offset, origin); }
  int32_t Write(const void* buffer, int32_t count) override {
    switch (env_.Change(true)) {
      case Verdict::kGo:
        return inner_->Write(buffer, count);
      case Verdict::kHalf:
        inner_->Write(buffer, count / 2);  // the process died in the middle of it
        return -1;
      case Verdict::kRefuse:
        break;
    }
    return -1;
  }

 private:
  FaultEnvironment& env_;
  std::unique_ptr<TCFRDiskFile> inner_;
};

inline std::unique_ptr<TCFRAbstractFile> FaultEnvironment::NewDiskStore(const std::string& path,
                                                                        bool read_only,
                                                                        bool exclusive) {
  return std::make_unique<FaultyStore>(*this, path, read_only, exclusive);
}

// Installs the environment for one scope.
class EnvironmentScope {
 public:
  explicit EnvironmentScope(TStoreEnvironment* env) { SetStoreEnvironment(env); }
  ~EnvironmentScope() { SetStoreEnvironment(nullptr); }
  EnvironmentScope(const EnvironmentScope&) = delete;
  EnvironmentScope& operator=(const EnvironmentScope&) = delete;
};

}  // namespace vor::testing
