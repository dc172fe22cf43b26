// The cipher registry.

#include "crypto/cipher_registry.h"

#include "crypto/rijndael.h"

namespace vor {

namespace {

std::vector<CipherRegistryEntry>& Entries() {
  static std::vector<CipherRegistryEntry> entries;
  return entries;
}

std::string Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

// "TCipher_Rijndael" gives "Rijndael".
std::string NameFromClassName(std::string class_name) {
  if (!class_name.empty() && (class_name[0] == 'T' || class_name[0] == 't')) {
    class_name.erase(0, 1);
  }
  const size_t underscore = class_name.find('_');
  if (underscore != std::string::npos) class_name.erase(0, underscore + 1);
  return class_name;
}

}  // namespace

const std::vector<CipherRegistryEntry>& CipherRegistry() { return Entries(); }

void RegisterCipherClass(TCipherClass cipher_class, const std::string& name,
                         const std::string& description) {
  if (cipher_class == nullptr) return;
  std::string entry_name = Trim(name);
  if (entry_name.empty()) {
    // An unkeyed object of the class tells its name.
    entry_name = NameFromClassName(cipher_class(std::string(), nullptr)->ClassName());
  }
  std::string text = entry_name + "=" + description;
  for (CipherRegistryEntry& entry : Entries()) {
    if (entry.cipher_class == cipher_class) {
      entry.text = std::move(text);
      return;
    }
  }
  Entries().push_back(CipherRegistryEntry{std::move(text), cipher_class});
}

void RegisterCipherClasses() {
  RegisterCipherClass(&TCipher_Rijndael::Create, std::string(), std::string());
}

}  // namespace vor
