// The vector instruction sets a benchmark runs its kernels on: every target
// the dispatched kernels were built for and this machine runs, best first,
// each forced in turn, so that one run on an AVX-512 machine also shows the
// AVX2 and SSE figures a machine without AVX-512 would get.
#ifndef KELVANE_BENCH_SIMD_TARGETS_H
#define KELVANE_BENCH_SIMD_TARGETS_H

#include <hwy/highway.h>
#include <hwy/targets.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Kelvane {
namespace bench {

struct SimdTarget {
  int64_t bits = 0;  // a Highway target bit; 0 leaves the machine's best
  std::string name;
};

// The targets to measure; a build without run-time dispatch has one.
inline std::vector<SimdTarget> simdTargets() {
  std::vector<SimdTarget> targets;
#if (HWY_TARGETS & (HWY_TARGETS - 1)) == 0
  targets.push_back({0, hwy::TargetName(HWY_STATIC_TARGET)});
#else
  for (const int64_t target : hwy::SupportedAndGeneratedTargets()) targets.push_back({target, hwy::TargetName(target)});
#endif
  return targets;
}

// Forces dispatch to `target` for the life of the object, then returns it
// to the machine's best.
class ForcedSimdTarget {
 public:
  explicit ForcedSimdTarget(const SimdTarget& target) { hwy::SetSupportedTargetsForTest(target.bits); }
  ~ForcedSimdTarget() { hwy::SetSupportedTargetsForTest(0); }
  ForcedSimdTarget(const ForcedSimdTarget&) = delete;
  ForcedSimdTarget& operator=(const ForcedSimdTarget&) = delete;
};

}  // namespace bench
}  // namespace Kelvane

#endif  // KELVANE_BENCH_SIMD_TARGETS_H
