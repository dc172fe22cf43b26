// The process-wide registry of cipher classes.
//
// Each entry is a text "Name=Description" with its cipher class. It is
// filled once at start-up (RegisterCipherClasses) and only read afterwards.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "crypto/cipher.h"

namespace vor {

// A cipher class: makes a new object of the class keyed from key_string
// (not initialized when it is empty) with the given inner protection.
using TCipherClass = std::shared_ptr<TCipher> (*)(const std::string& key_string,
                                                  std::shared_ptr<TProtection> protection);

struct CipherRegistryEntry {
  std::string text;  // name, "=", description
  TCipherClass cipher_class = nullptr;
};

// The entries in the order of registration.
const std::vector<CipherRegistryEntry>& CipherRegistry();

// Adds the class, or replaces the text of its entry when it is listed. The
// name is trimmed; an empty name becomes the class name without a leading
// "T" and without everything up to and including the first "_".
void RegisterCipherClass(TCipherClass cipher_class, const std::string& name,
                         const std::string& description);

// The start-up registration: TCipher_Rijndael with empty name and
// description (the entry "Rijndael="). Safe to call more than once.
void RegisterCipherClasses();

}  // namespace vor
