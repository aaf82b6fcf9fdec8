// The numbers behind the names that cross the host boundary or reach stored
// logs: statuses, buffer codes, capability flags, merge and watermark modes, module
// entry reasons and transposition modes. Code and other tests use the names;
// this table is the one place that pins their values, so a renumbering
// cannot pass unseen.
#include <gtest/gtest.h>

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

TEST(BoundaryValues, KeepTheirNumbers) {
  const PinnedValue table[] = {
      {"S_OK", S_OK, 0},
      {"S_FALSE", S_FALSE, 1},
      {"E_NOINTERFACE", E_NOINTERFACE, int32_t(0x80004002u)},
      {"E_FAIL", E_FAIL, int32_t(0x80004005u)},
      {"E_INVALIDARG", E_INVALIDARG, int32_t(0x80070057u)},
      {"E_OUTOFMEMORY", E_OUTOFMEMORY, int32_t(0x8007000Eu)},
      {"CLASS_E_NOAGGREGATION", CLASS_E_NOAGGREGATION, int32_t(0x80040110u)},
      {"CLASS_E_CLASSNOTAVAILABLE", CLASS_E_CLASSNOTAVAILABLE, int32_t(0x80040111u)},
      {"KX_E_CLASS_KEY", KX_E_CLASS_KEY, int32_t(0x800480EAu)},
      {"KX_E_INVALID_BUFFER", KX_E_INVALID_BUFFER, int32_t(0x80040401u)},
      {"KX_E_NO_PIXEL_MEMORY", KX_E_NO_PIXEL_MEMORY, int32_t(0x80040402u)},
      {"KX_E_GEO_MISMATCH", KX_E_GEO_MISMATCH, int32_t(0x80041281u)},
      {"KX_STATUS_FAILURE", KX_STATUS_FAILURE, 1},
      {"KX_STATUS_OUT_OF_MEMORY", KX_STATUS_OUT_OF_MEMORY, 8},
      {"KX_STATUS_DIRECTORY", KX_STATUS_DIRECTORY, 3032},
      {"KX_STATUS_NO_PATH_OR_MODE", KX_STATUS_NO_PATH_OR_MODE, 145003},
      {"KX_STATUS_BAD_ARGUMENT", KX_STATUS_BAD_ARGUMENT, 145011},
      {"KX_STATUS_WRONG_STREAM_STATE", KX_STATUS_WRONG_STREAM_STATE, 145012},
      {"KX_STATUS_BLOCK_ALLOCATION", KX_STATUS_BLOCK_ALLOCATION, 145013},
      {"KX_STATUS_COLOR_SPACES", KX_STATUS_COLOR_SPACES, 15001},
      {"KX_STATUS_SAMPLE_SIZE", KX_STATUS_SAMPLE_SIZE, 15002},
      {"KX_STATUS_FLOAT_RANGE", KX_STATUS_FLOAT_RANGE, 15003},
      {"KX_STATUS_CANNOT_COPY", KX_STATUS_CANNOT_COPY, 15004},
      {"KX_STATUS_NO_DATA", KX_STATUS_NO_DATA, 15005},
      {"KX_STATUS_NOT_INDEXED", KX_STATUS_NOT_INDEXED, 15006},
      {"KX_STATUS_TRANSPOSE_MODE", KX_STATUS_TRANSPOSE_MODE, 15008},
      {"KX_TYPE_U8", KX_TYPE_U8, 0},
      {"KX_TYPE_S8", KX_TYPE_S8, 1},
      {"KX_TYPE_U16", KX_TYPE_U16, 2},
      {"KX_TYPE_S16", KX_TYPE_S16, 3},
      {"KX_TYPE_F32", KX_TYPE_F32, 10},
      {"KX_CS_RGB", KX_CS_RGB, 1},
      {"KX_CS_CMYK", KX_CS_CMYK, 3},
      {"KX_CS_GREY", KX_CS_GREY, 4},
      {"KX_CS_RGBK", KX_CS_RGBK, 6},
      {"KX_CS_YIQ", KX_CS_YIQ, 7},
      {"KX_CS_YIQK", KX_CS_YIQK, 8},
      {"KX_CS_MULTIBAND", KX_CS_MULTIBAND, 9},
      {"KX_ORDER_INTERLEAVED", KX_ORDER_INTERLEAVED, 0},
      {"KX_ORDER_BAND_SEQUENTIAL", KX_ORDER_BAND_SEQUENTIAL, 1},
      {"KX_CAP_PARTIAL_SCENE", KX_CAP_PARTIAL_SCENE, 0x1},
      {"KX_CAP_POW2_MAG", KX_CAP_POW2_MAG, 0x2},
      {"KX_CAP_ANY_MAG", KX_CAP_ANY_MAG, 0x4},
      {"KX_CAP_OUTSIDE_IMAGE", KX_CAP_OUTSIDE_IMAGE, 0x20},
      {"KX_CAP_COLOR_SPACE", KX_CAP_COLOR_SPACE, 0x100},
      {"KX_CAP_STRIDE", KX_CAP_STRIDE, 0x200},
      {"KX_CAP_DATA_TYPE", KX_CAP_DATA_TYPE, 0x400},
      {"KX_CAP_ORDER", KX_CAP_ORDER, 0x800},
      {"KX_CAP_SAMPLE_MAP", KX_CAP_SAMPLE_MAP, 0x4000},
      {"KX_CAP_BPS", KX_CAP_BPS, 0x8000},
      {"KXV_REASON_UNUSABLE", KXV_REASON_UNUSABLE, 0x10000},
      {"KXV_BEST_QUALITY", KXV_BEST_QUALITY, 2},
      {"KX_MERGE_KEY_EXACT", KX_MERGE_KEY_EXACT, 3},
      {"KX_MERGE_KEY_TOLERANT", KX_MERGE_KEY_TOLERANT, 9},
      {"KX_MERGE_COPY_SOURCE", KX_MERGE_COPY_SOURCE, 11},
      {"KX_WATERMARK_REPLACE", KX_WATERMARK_REPLACE, 0},
      {"KX_PROCESS_DETACH", KX_PROCESS_DETACH, 0},
      {"KX_PROCESS_ATTACH", KX_PROCESS_ATTACH, 1},
      {"Rotate90", Rotate90, 0},
      {"Rotate180", Rotate180, 1},
      {"Rotate270", Rotate270, 2},
      {"MirrorLeftRight", MirrorLeftRight, 3},
      {"MirrorTopBottom", MirrorTopBottom, 4},
      {"kColorSpaceGrayscale", kColorSpaceGrayscale, 257},
      {"kColorSpaceRGB", kColorSpaceRGB, 769},
      {"kColorSpaceYIQ", kColorSpaceYIQ, 771},
      {"kColorSpaceRGBK", kColorSpaceRGBK, 1025},
      {"kColorSpaceCMYK", kColorSpaceCMYK, 1026},
      {"kColorSpaceYIQK", kColorSpaceYIQK, 1027},
      {"kColorSpaceMultiband", kColorSpaceMultiband, 65281},
      {"kSampleUInt8", kSampleUInt8, 0},
      {"kSampleUInt16", kSampleUInt16, 1},
      {"kSampleInt32", kSampleInt32, 2},
      {"kSampleFloat32", kSampleFloat32, 10},
      {"kSampleFloat64", kSampleFloat64, 11},
  };
  for (const PinnedValue& pinned : table) EXPECT_EQ(pinned.value, pinned.expected) << pinned.name;
}

TEST(BoundaryValues, LibraryStatusesLeaveComponentMethodsAsFailures) {
  EXPECT_EQ(KxStatusToResult(KX_STATUS_WRONG_STREAM_STATE), static_cast<HRESULT>(0x80063674u));
  EXPECT_EQ(KxStatusToResult(KX_STATUS_OUT_OF_MEMORY), static_cast<HRESULT>(0x80040008u));
  EXPECT_EQ(KxStatusToResult(KX_STATUS_DIRECTORY), static_cast<HRESULT>(0x80040BD8u));
  EXPECT_EQ(KxStatusToResult(KX_STATUS_SUCCESS), S_OK);
}

}  // namespace
}  // namespace Kelvane
