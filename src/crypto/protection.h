// TProtection: the common base of ciphers, hashes and the keyed hash.
//
// A protection transforms or measures byte data. Protections form a chain
// through Protection(): the outer object holds its inner one by shared
// ownership, so an inner protection lives as long as any chain (or other
// owner) refers to it and a dangling link cannot arise. A link that would
// close a loop is refused with EProtection.
//
// A pass over data is StartPass, any number of ProcessChunk calls and
// FinishPass. Descendants that transform data apply the chain in one fixed
// order: for ActDecipher they process the chunk themselves first and then
// hand it to the inner protection; for every other action the inner
// protection runs first. Enciphering thus applies the innermost protection
// first and deciphering undoes the outermost first.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/error.h"

namespace vor {

class ByteStream;

// The five actions of a pass (one byte).
enum ProtectionAction : uint8_t {
  ActEncipher = 0,
  ActDecipher = 1,
  ActScramble = 2,   // one-way overwrite
  ActCalculate = 3,  // read the data, write nothing back
  ActWipe = 4,       // overwrite under a random chain
};

// A set of actions, one bit per action value.
using ProtectionActions = uint8_t;
constexpr ProtectionActions kAllProtectionActions = 0x1F;

// Membership of an action value in a set; values above 7 are never members.
constexpr bool ActionInSet(ProtectionActions set, int action) {
  return action >= 0 && action <= 7 && (set & (1u << action)) != 0;
}

class EProtection : public EVorError {
 public:
  // A protection chain that is not usable as built (a loop): kMisuse unless
  // the raiser says otherwise.
  explicit EProtection(const std::string& message, ErrorKind kind = ErrorKind::kMisuse)
      : EVorError(message, kind) {}
};

class TProtection {
 public:
  // Sets Protection() (with the loop check) and all five actions.
  explicit TProtection(std::shared_ptr<TProtection> protection = nullptr);
  virtual ~TProtection();

  TProtection(const TProtection&) = delete;
  TProtection& operator=(const TProtection&) = delete;

  // The class name used in messages ("TCipher_Rijndael", ...).
  virtual const char* ClassName() const { return "TProtection"; }

  // The inner protection of the chain, or null.
  const std::shared_ptr<TProtection>& Protection() const { return protection_; }
  // Replaces the inner protection. Writing the value already held does
  // nothing. Raises EProtection with "Circular Protection detected,
  // Protection Object is invalid." when the new value's chain reaches this
  // object; the previous link is then kept.
  void SetProtection(std::shared_ptr<TProtection> protection);

  ProtectionActions Actions() const { return actions_; }
  void SetActions(ProtectionActions actions) { actions_ = actions; }
  bool HasAction(int action) const { return ActionInSet(actions_, action); }

  // Pass hooks. The base forwards each to the inner protection, if any.
  virtual void StartPass(ProtectionAction action);
  virtual void FinishPass(ProtectionAction action);
  virtual void ProcessChunk(void* buffer, int32_t size, ProtectionAction action);

  // Runs a pass over count bytes of source, writing the result to
  // destination (null: the source itself, in place) at the destination's
  // position. A negative count means the source's whole size, read from
  // position 0. ActCalculate only reads. A null source does nothing.
  virtual void ProcessStream(ByteStream* source, ByteStream* destination, int32_t count,
                             ProtectionAction action);
  // Runs a pass over the whole file source_name. With a different,
  // non-blank destination name the result goes to that file (created or
  // replaced); with the same name (compared without regard to case) or a
  // blank one it is written back in place. ActCalculate with a different
  // name only reads the source.
  virtual void ProcessFile(const std::string& source_name, const std::string& destination_name,
                           ProtectionAction action);
  // The string pass: for ActDecipher the text is first parsed from the
  // text format format_id; the bytes then go through a pass in place; for
  // ActDecipher the raw bytes are returned, for other actions the bytes
  // rendered in the text format. Raises EStringFormat for an unknown
  // format or unparsable text.
  virtual std::string ProcessString(const std::string& text, ProtectionAction action,
                                    int32_t format_id);
  // StartPass, one ProcessChunk over the whole buffer, FinishPass (which
  // also runs when ProcessChunk raises). Returns size.
  virtual int32_t ProcessBuffer(void* buffer, int32_t size, ProtectionAction action);

 private:
  std::shared_ptr<TProtection> protection_;
  ProtectionActions actions_ = kAllProtectionActions;
};

// True when reference designates an object of class T (or a descendant).
// With shared ownership a reference cannot dangle, so this is the is-a test
// of the reference, false for null.
template <class T>
bool IsLiveObject(const TProtection* reference) {
  return reference != nullptr && dynamic_cast<const T*>(reference) != nullptr;
}

// Overwrites size bytes of buffer one-way from seed: a 32-bit state starts
// at seed; for each byte its low byte is XORed with the buffer byte, the
// state becomes state * 134775813 + 1, and the byte is replaced by the
// state's top byte.
void ScrambleWithSeed(uint32_t seed, void* buffer, int32_t size);

// A seed that changes from call to call: the UTC time of day in
// milliseconds XORed with the low and high halves of the performance
// counter.
uint32_t TimeSeed();

}  // namespace vor
