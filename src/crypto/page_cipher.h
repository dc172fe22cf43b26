// The container engine's cipher call.
//
// A page (or any byte range) is enciphered or deciphered in place under a
// key string exactly as by a fresh TCipher_Rijndael constructed from that
// key string, used once in ModeFeedbackXor from its initial vector and
// freed: key RIPEMD-256(key string bytes), 14 rounds, vector E(16 x 0xFF).
//
// Keyed ciphers are kept in a small process-wide cache by key string, so a
// run of pages under one key sets the key up once; every call still starts
// from the initial vector, so the bytes are those of a fresh cipher. An
// entry's key material is wiped when it leaves the cache, on
// ClearPageCipherCache and at process exit.
#pragma once

#include <cstdint>
#include <string>

namespace vor {

// size <= 0 does nothing. An empty key string raises ECipherException with
// kCipherNotInitialized ("TCipher_Rijndael is not initialized ...").
void EncipherPageData(const std::string& key_string, void* data, int32_t size);
void DecipherPageData(const std::string& key_string, void* data, int32_t size);

// Wipes and drops every cached key (for instance when a container closes).
void ClearPageCipherCache();

}  // namespace vor
