// The row copy that large outputs take past the caches.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "helpers/simdTargetSupport.h"
#include "raster/rowCopy.h"

namespace Kelvane {
namespace {

using Bytes = std::vector<uint8_t>;

// Rows copied past the caches land byte for byte as plain copies do, on every
// vector target: destinations at every alignment, rows of a few bytes and of
// many vectors and a tail, and the bytes between the rows left alone.
TEST(RowCopy, StreamedRowsEqualPlainOnesOnEveryTarget) {
  testing_support::forEachSimdTarget([] {
    for (const size_t bytes : {size_t{5}, size_t{300}}) {
      for (size_t shift = 0; shift < 64; shift += 7) {
        Bytes from(4 * 333);
        for (size_t i = 0; i < from.size(); ++i) from[i] = static_cast<uint8_t>(i * 7 + i / 255);
        Bytes plain(4 * 400 + 64, 0xA5), streamed = plain;
        for (const bool stream : {false, true}) {
          Bytes& to = stream ? streamed : plain;
          copyRows(RowCopy{to.data() + shift, 400, from.data(), 333, bytes, 4}, stream);
        }
        EXPECT_EQ(streamed, plain) << bytes << " bytes at " << shift;
        EXPECT_EQ(Bytes(plain.begin() + shift + 400, plain.begin() + shift + 400 + bytes),
                  Bytes(from.begin() + 333, from.begin() + 333 + bytes));
        EXPECT_EQ(plain[shift + bytes], 0xA5);
      }
    }
  });
}

}  // namespace
}  // namespace Kelvane
