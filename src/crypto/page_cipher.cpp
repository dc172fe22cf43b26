// The container engine's cipher call with its cache of keyed ciphers.

#include "crypto/page_cipher.h"

#include <list>
#include <memory>

#include "crypto/mac.h"
#include "crypto/rijndael.h"
#include "platform/thread.h"

namespace vor {

namespace {

// Enough for the container key and a few files with passwords of their own.
constexpr size_t kCacheEntries = 8;

struct CacheEntry {
  std::string key_string;
  std::unique_ptr<TCipher_Rijndael> cipher;
};

class PageCipherCache {
 public:
  ~PageCipherCache() { Clear(); }

  // Runs fn on a cipher keyed from key_string and reset to its vector.
  template <class Fn>
  void Run(const std::string& key_string, Fn&& fn) {
    platform::MutexLock lock(mutex_);
    auto it = entries_.begin();
    while (it != entries_.end() && it->key_string != key_string) ++it;
    if (it == entries_.end()) {
      CacheEntry entry{key_string, std::make_unique<TCipher_Rijndael>(key_string)};
      if (entries_.size() >= kCacheEntries) Drop(std::prev(entries_.end()));
      entries_.push_front(std::move(entry));
    } else if (it != entries_.begin()) {
      entries_.splice(entries_.begin(), entries_, it);  // most recent first
    }
    TCipher_Rijndael& cipher = *entries_.front().cipher;
    cipher.ResetChain();
    fn(cipher);
  }

  void Clear() {
    platform::MutexLock lock(mutex_);
    while (!entries_.empty()) Drop(entries_.begin());
  }

 private:
  void Drop(std::list<CacheEntry>::iterator it) {
    WipeKeyText(&it->key_string);
    it->cipher.reset();  // the cipher wipes its schedule and vector
    entries_.erase(it);
  }

  platform::Mutex mutex_;
  std::list<CacheEntry> entries_;
};

PageCipherCache& Cache() {
  static PageCipherCache cache;
  return cache;
}

// A key string that cannot key a cipher gets a fresh, unkeyed one, which
// raises the not-initialized failure.
void RefuseEmptyKey(int32_t size) {
  TCipher_Rijndael cipher;
  uint8_t none = 0;
  cipher.EncipherBuffer(&none, &none, size);
}

}  // namespace

void EncipherPageData(const std::string& key_string, void* data, int32_t size) {
  if (key_string.empty()) return RefuseEmptyKey(size);
  if (size <= 0) return;
  Cache().Run(key_string, [&](TCipher& cipher) { cipher.EncipherBuffer(data, data, size); });
}

void DecipherPageData(const std::string& key_string, void* data, int32_t size) {
  if (key_string.empty()) return RefuseEmptyKey(size);
  if (size <= 0) return;
  Cache().Run(key_string, [&](TCipher& cipher) { cipher.DecipherBuffer(data, data, size); });
}

void ClearPageCipherCache() { Cache().Clear(); }

}  // namespace vor
