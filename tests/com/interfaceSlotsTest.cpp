// Pins the table slot of every interface operation a host or a peer calls.
// Under the Itanium C++ ABI a pointer to a virtual member function holds
// 1 + the byte offset of its entry in the table.
#include <gtest/gtest.h>

#include <cstring>

#include "com/kxComUnknown.h"
#include "kelvane/kx_interfaces.h"
#include "kelvane/kx_pixel_replacer.h"
#include "kelvane/kx_transposer.h"

namespace Kelvane {
namespace {

template <typename Method>
long SlotOf(Method method) {
  struct ItaniumMemberPointer {
    uintptr_t ptr;
    ptrdiff_t adjust;
  } raw;
  static_assert(sizeof(Method) == sizeof(raw), "Itanium member function pointer");
  std::memcpy(&raw, &method, sizeof raw);
  if ((raw.ptr & 1) == 0 || raw.adjust != 0) return -1;  // not a virtual of the first table
  return static_cast<long>((raw.ptr - 1) / sizeof(void*));
}

// Expects the operations at consecutive slots from `first` on.
template <typename... Methods>
void ExpectSlotsFrom(const char* interfaceName, long first, Methods... methods) {
  long expected = first;
  for (long slot : {SlotOf(methods)...}) EXPECT_EQ(slot, expected++) << interfaceName;
}

TEST(InterfaceSlots, EveryOperationSitsAtItsSlot) {
  using I = IKxContentImp;
  ExpectSlotsFrom("IUnknown", 0, &IUnknown::QueryInterface, &IUnknown::AddRef, &IUnknown::Release);
  ExpectSlotsFrom("IClassFactory", 3, &IClassFactory::CreateInstance, &IClassFactory::LockServer);
  ExpectSlotsFrom("INondelegatingUnknown", 0, &INondelegatingUnknown::NondelegatingQueryInterface,
                  &INondelegatingUnknown::NondelegatingAddRef, &INondelegatingUnknown::NondelegatingRelease);
  ExpectSlotsFrom("IKxContentImp", 2, &I::Release, &I::GetRasterProps, &I::Decode, &I::Operation5, &I::Operation6,
                  &I::Initialize, &I::FindInterface, &I::SetContainedImp, &I::RemoveContainedImp, &I::GetContainedImp);
  ExpectSlotsFrom("IKxLoggable2", 3, &IKxLoggable2::SetLogger, &IKxLoggable2::GetLogger);
  ExpectSlotsFrom("IKxRenderingEngineUser", 3, &IKxRenderingEngineUser::SetRenderingEngine,
                  &IKxRenderingEngineUser::GetRenderingEngine);
  ExpectSlotsFrom("IKxLogSink", 2, &IKxLogSink::GetLevel, &IKxLogSink::Write);
  ExpectSlotsFrom("IKxGeoRaster", 3, &IKxGeoRaster::GeoDecode);
  ExpectSlotsFrom("IKxGeoSpatialInfo", 3, &IKxGeoSpatialInfo::GetSpatialDomain,
                  &IKxGeoSpatialInfo::GetSpatialReference);
  ExpectSlotsFrom("IKxResamplerConfig", 3, &IKxResamplerConfig::SetResamplerValue,
                  &IKxResamplerConfig::GetResamplerValue, &IKxResamplerConfig::SetResamplerOption,
                  &IKxResamplerConfig::GetResamplerOption);
  ExpectSlotsFrom("IKxSpatialReference", 3, &IKxSpatialReference::GetWkt, &IKxSpatialReference::GetProj4);
  ExpectSlotsFrom("IKxImageSizeQuery", 3, &IKxImageSizeQuery::GetImageSize);
  ExpectSlotsFrom("IKxBackgroundPixelQuery", 3, &IKxBackgroundPixelQuery::GetBackgroundPixel);
  ExpectSlotsFrom("IKxBandSelectDecode", 3, &IKxBandSelectDecode::DecodeBands);
  ExpectSlotsFrom("IKxMultibandSelector", 3, &IKxMultibandSelector::SetBands, &IKxMultibandSelector::GetBands,
                  &IKxMultibandSelector::GetSourceRasterProps);
  ExpectSlotsFrom("IKxTransposer", 3, &IKxTransposer::Transpose);
  ExpectSlotsFrom("IKxTransposerImp", 3, &IKxTransposerImp::SetRotation);
  ExpectSlotsFrom("IKxPixelReplacer2", 3, &IKxPixelReplacer2::ReplaceKeyColor, &IKxPixelReplacer2::ReplacePixels,
                  &IKxPixelReplacer2::MergeKeyed);
  ExpectSlotsFrom("IKxPixelReplacerImp", 3, &IKxPixelReplacerImp::SetReplacement,
                  &IKxPixelReplacerImp::DecodeAndReplace);
}

}  // namespace
}  // namespace Kelvane
