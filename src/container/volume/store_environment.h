// TStoreEnvironment: the disk operations of the engine's volumes and
// journals, in one replaceable place.
//
// Every byte store the engine opens on disk, every file it deletes and every
// folder it makes durable goes through the current environment. The default
// one is the disk itself; tests install one that injects failures (a write
// or a flush that fails, a process that dies after its Nth change to the
// disk) to prove that no such failure loses committed data.
#pragma once

#include <memory>
#include <string>

#include "container/volume/abstract_file.h"

namespace vor {

class TStoreEnvironment {
 public:
  virtual ~TStoreEnvironment();

  // A closed TCFRDiskFile for path (or a store that behaves like one).
  virtual std::unique_ptr<TCFRAbstractFile> NewDiskStore(const std::string& path, bool read_only,
                                                         bool exclusive);
  virtual bool DeleteFile(const std::string& path);
  // Renames from to to in one step, replacing a file to that exists.
  virtual bool ReplaceFile(const std::string& from, const std::string& to);
  // Makes the entries of the folder that holds path durable.
  virtual bool FlushFolderOf(const std::string& path);
};

// The environment in use (the disk unless a test installed another).
TStoreEnvironment& StoreEnvironment();
// Installs environment (not owned; nullptr restores the disk). Not for use
// while containers are open.
void SetStoreEnvironment(TStoreEnvironment* environment);

}  // namespace vor
