// What a hostile host hands the module, read from a fuzzer's bytes: decode
// records, either raw bytes or within plausible bounds, each with pixel
// memory of exactly the size its layout declares (and guard bytes after it),
// and the ways an upstream source can misbehave.
#ifndef KELVANE_TESTS_FUZZ_HOSTILE_BUFFER_H
#define KELVANE_TESTS_FUZZ_HOSTILE_BUFFER_H

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <vector>

#include "fakes/fakeUpstream.h"

namespace Kelvane::Fuzz {

// Stops the run as a crash: the fuzzer reports the input that led here.
[[noreturn]] void Fail(const char* what);

class HostileBuffer {
 public:
  explicit HostileBuffer(FuzzedDataProvider& in);
  HostileBuffer(const HostileBuffer&) = delete;
  HostileBuffer& operator=(const HostileBuffer&) = delete;

  DecodeBuffer* get() { return &record_; }
  // The record as the host made it, whatever a decode left in it: a host
  // whose own upstream rewrote its record does not hand that record out again.
  void restore() { record_ = made_; }
  const DecodeBuffer& record() const { return record_; }
  // Built from plausible choices by the fakes' buffer builder, not raw bytes.
  bool plausible() const { return plausible_; }
  // Whether every sample the record addresses (pBits + row x rowbytes +
  // column x stride x sample bytes + smap[s]) lies in its memory, as in a
  // sound host's buffer.
  bool addressesOnlyItsMemory() const;
  // Fails the run when anything was written past the declared memory.
  void checkGuard() const;

 private:
  DecodeBuffer record_;
  DecodeBuffer made_;
  std::vector<uint8_t> memory_;  // declared bytes, then the guard
  size_t declared_ = 0;
  bool plausible_ = false;
};

// An upstream that may fail its decodes and rewrite the records it is given.
// `wellBehaved` tells whether it does neither, so pixels can be checked.
struct HostileUpstream {
  Fakes::FakeUpstream* source = nullptr;  // one reference, the caller's
  bool wellBehaved = true;
};
HostileUpstream MakeHostileUpstream(FuzzedDataProvider& in);

}  // namespace Kelvane::Fuzz

#endif  // KELVANE_TESTS_FUZZ_HOSTILE_BUFFER_H
