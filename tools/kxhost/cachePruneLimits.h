// What `kxhost cache-prune` is asked to keep: at most so many bytes of
// tiles, none unused for longer than an age, and whether it only says what
// it would remove.
#ifndef KXHOST_CACHE_PRUNE_LIMITS_H
#define KXHOST_CACHE_PRUNE_LIMITS_H

#include <cstdint>
#include <optional>
#include <string>

#include "kxhost/commandLine.h"

namespace kxhost {

struct PruneLimits {
  std::optional<uint64_t> maxBytes;          // --max-size
  std::optional<int64_t> maxAgeNanoseconds;  // --older-than
  bool dryRun = false;
};

// SIZE: bytes, or a number with K, M, G or T for binary multiples ("500M").
bool ParseByteSize(const std::string& text, uint64_t* bytes);
// AGE: a number with s, m, h or d ("30d", "90m").
bool ParseAge(const std::string& text, int64_t* nanoseconds);

// The limits from cache-prune's options; false with a one-line reason when
// one is malformed or neither --max-size nor --older-than is given.
bool ParsePruneLimits(const CommandLine& line, PruneLimits* limits, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_CACHE_PRUNE_LIMITS_H
