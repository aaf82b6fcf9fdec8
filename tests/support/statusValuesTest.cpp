// The numbers behind the names that cross the host boundary or reach stored
// logs: statuses and the results they become, buffer codes, capability flags,
// merge and watermark modes, module entry reasons, transposition modes and
// the record layout each flavour compiles. Code and other tests use the
// names; this table is the one place that pins their values, so a
// renumbering cannot pass unseen.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "com/kxComDllInfo.h"
#include "content/kxv_decodeBufConfig.h"
#include "kelvane/kx_lib_sp_xform.h"
#include "raster/colorSpaceCodes.h"
#include "raster/transpose/transposeGeometry.h"

namespace Kelvane {
namespace {

struct PinnedValue {
  const char* name;
  int64_t value;
  int64_t expected;
};

constexpr PinnedValue Pinned(const char* name, int64_t value, int64_t expected) { return {name, value, expected}; }

// A row of the table: the name as written, its value, the number it keeps.
#define KX_PIN(name, expected) Pinned(#name, name, expected)

// A component result from its 32 bits.
constexpr int32_t Result(uint32_t bits) { return static_cast<int32_t>(bits); }

TEST(BoundaryValues, KeepTheirNumbers) {
  const PinnedValue table[] = {
      // Component results; a library status leaves a method as a failure (145012 carries into the facility).
      KX_PIN(S_OK, 0), KX_PIN(S_FALSE, 1), KX_PIN(E_NOINTERFACE, Result(0x80004002)),
      KX_PIN(E_FAIL, Result(0x80004005)), KX_PIN(E_INVALIDARG, Result(0x80070057)),
      KX_PIN(E_OUTOFMEMORY, Result(0x8007000E)), KX_PIN(CLASS_E_NOAGGREGATION, Result(0x80040110)),
      KX_PIN(CLASS_E_CLASSNOTAVAILABLE, Result(0x80040111)), KX_PIN(KX_E_CLASS_KEY, Result(0x800480EA)),
      KX_PIN(KX_E_INVALID_BUFFER, Result(0x80040401)), KX_PIN(KX_E_NO_PIXEL_MEMORY, Result(0x80040402)),
      KX_PIN(KX_E_GEO_MISMATCH, Result(0x80041281)), KX_PIN(KxStatusToResult(KX_STATUS_SUCCESS), S_OK),
      KX_PIN(KxStatusToResult(KX_STATUS_OUT_OF_MEMORY), Result(0x80040008)),
      KX_PIN(KxStatusToResult(KX_STATUS_WRONG_STREAM_STATE), Result(0x80063674)),
      // Library statuses.
      KX_PIN(KX_STATUS_FAILURE, 1), KX_PIN(KX_STATUS_OUT_OF_MEMORY, 8), KX_PIN(KX_STATUS_DIRECTORY, 3032),
      KX_PIN(KX_STATUS_NO_PATH_OR_MODE, 145003), KX_PIN(KX_STATUS_BAD_ARGUMENT, 145011),
      KX_PIN(KX_STATUS_WRONG_STREAM_STATE, 145012), KX_PIN(KX_STATUS_BLOCK_ALLOCATION, 145013),
      KX_PIN(KX_STATUS_COLOR_SPACES, 15001), KX_PIN(KX_STATUS_SAMPLE_SIZE, 15002), KX_PIN(KX_STATUS_FLOAT_RANGE, 15003),
      KX_PIN(KX_STATUS_CANNOT_COPY, 15004), KX_PIN(KX_STATUS_NO_DATA, 15005), KX_PIN(KX_STATUS_NOT_INDEXED, 15006),
      KX_PIN(KX_STATUS_TRANSPOSE_MODE, 15008),
      // Host buffer types, colour spaces, orders and capability flags.
      KX_PIN(KX_TYPE_U8, 0), KX_PIN(KX_TYPE_S8, 1), KX_PIN(KX_TYPE_U16, 2), KX_PIN(KX_TYPE_S16, 3),
      KX_PIN(KX_TYPE_F32, 10), KX_PIN(KX_CS_RGB, 1), KX_PIN(KX_CS_CMYK, 3), KX_PIN(KX_CS_GREY, 4),
      KX_PIN(KX_CS_RGBK, 6), KX_PIN(KX_CS_YIQ, 7), KX_PIN(KX_CS_YIQK, 8), KX_PIN(KX_CS_MULTIBAND, 9),
      KX_PIN(KX_ORDER_INTERLEAVED, 0), KX_PIN(KX_ORDER_BAND_SEQUENTIAL, 1), KX_PIN(KX_CAP_PARTIAL_SCENE, 0x1),
      KX_PIN(KX_CAP_POW2_MAG, 0x2), KX_PIN(KX_CAP_ANY_MAG, 0x4), KX_PIN(KX_CAP_OUTSIDE_IMAGE, 0x20),
      KX_PIN(KX_CAP_COLOR_SPACE, 0x100), KX_PIN(KX_CAP_STRIDE, 0x200), KX_PIN(KX_CAP_DATA_TYPE, 0x400),
      KX_PIN(KX_CAP_ORDER, 0x800), KX_PIN(KX_CAP_SAMPLE_MAP, 0x4000), KX_PIN(KX_CAP_BPS, 0x8000),
      KX_PIN(KXV_REASON_UNUSABLE, 0x10000), KX_PIN(KXV_BEST_QUALITY, 2),
      // Merge and watermark modes, module entry reasons, transposition modes.
      KX_PIN(KX_MERGE_KEY_EXACT, 3), KX_PIN(KX_MERGE_KEY_TOLERANT, 9), KX_PIN(KX_MERGE_COPY_SOURCE, 11),
      KX_PIN(KX_WATERMARK_REPLACE, 0), KX_PIN(KX_PROCESS_DETACH, 0), KX_PIN(KX_PROCESS_ATTACH, 1), KX_PIN(Rotate90, 0),
      KX_PIN(Rotate180, 1), KX_PIN(Rotate270, 2), KX_PIN(MirrorLeftRight, 3), KX_PIN(MirrorTopBottom, 4),
      // Library colour-space and sample-type codes, which reach stored tile descriptions.
      KX_PIN(kColorSpaceGrayscale, 257), KX_PIN(kColorSpaceRGB, 769), KX_PIN(kColorSpaceYIQ, 771),
      KX_PIN(kColorSpaceRGBK, 1025), KX_PIN(kColorSpaceCMYK, 1026), KX_PIN(kColorSpaceYIQK, 1027),
      KX_PIN(kColorSpaceMultiband, 65281), KX_PIN(kSampleUInt8, 0), KX_PIN(kSampleUInt16, 1), KX_PIN(kSampleInt32, 2),
      KX_PIN(kSampleFloat32, 10), KX_PIN(kSampleFloat64, 11),
      // The 32-bit flavour compiles the layout pins with the host's fixed offsets.
      KX_PIN(KX_RECORDS_32BIT_LAYOUT, sizeof(void*) == 4),
      KX_PIN((offsetof(DecodeBuffer, resultCode)), 1104 + sizeof(void*))};
  for (const PinnedValue& pinned : table) EXPECT_EQ(pinned.value, pinned.expected) << pinned.name;
}

#undef KX_PIN

}  // namespace
}  // namespace Kelvane
