// Runs a check once on every vector instruction set the dispatched kernels
// were built for and this machine runs, with dispatch forced to it, so that
// a machine with AVX-512 still checks the SSSE3 and portable kernels.
#ifndef KELVANE_TESTS_HELPERS_SIMD_TARGET_SUPPORT_H
#define KELVANE_TESTS_HELPERS_SIMD_TARGET_SUPPORT_H

#include <gtest/gtest.h>
#include <hwy/highway.h>
#include <hwy/targets.h>

#include <cstdint>

namespace Kelvane {
namespace testing_support {

// Calls check() once per target, traced with the target's name; a build
// without run-time dispatch has just one.
template <typename Check>
void forEachSimdTarget(Check&& check) {
#if (HWY_TARGETS & (HWY_TARGETS - 1)) == 0
  SCOPED_TRACE(hwy::TargetName(HWY_STATIC_TARGET));
  check();
#else
  // Dispatch returns to the machine's best target however the check ends.
  struct Restore {
    ~Restore() { hwy::SetSupportedTargetsForTest(0); }
  } restore;
  for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
    SCOPED_TRACE(hwy::TargetName(target));
    hwy::SetSupportedTargetsForTest(target);
    check();
  }
#endif
}

}  // namespace testing_support
}  // namespace Kelvane

#endif  // KELVANE_TESTS_HELPERS_SIMD_TARGET_SUPPORT_H
