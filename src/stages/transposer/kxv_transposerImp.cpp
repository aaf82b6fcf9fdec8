#include "stages/transposer/kxv_transposerImp.h"

#include <limits>
#include <utility>

#include "content/kxv_decodeBufConfig.h"
#include "stages/transposer/kxv_transposerGeometry.h"

namespace Kelvane {

HRESULT KxvTransposerImp::InternalQueryInterface(const IID& iid, void** out) {
  return guarded([&]() -> HRESULT {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (KxIsEqualGUID(iid, IID_IKxTransposer)) return handOut(static_cast<IKxTransposer*>(this), out);
    if (KxIsEqualGUID(iid, IID_IKxTransposerImp)) return handOut(static_cast<IKxTransposerImp*>(this), out);
    return KxvContentBase::InternalQueryInterface(iid, out);
  });
}

HRESULT KxvTransposerImp::refreshPresentation() {
  IKxContentImp* upstream = getContainedImp();
  if (upstream == nullptr) return E_FAIL;
  Presentation fresh;
  const HRESULT status = upstream->GetRasterProps(&fresh.props);
  if (FAILED(status)) return status;

  // Turned by the angle stored when the new description is committed, so
  // that angle and size always agree.
  MutexLockGuard hold(presentationLock_);
  fresh.rotation = presentation_.rotation;
  RasterProps& props = fresh.props;
  if (KxvTurnSwapsAxes(fresh.rotation)) std::swap(props.width, props.height);
  DecodeBuffer whole;
  const Scene wholeImage{0.0, 0.0, static_cast<double>(props.width), static_cast<double>(props.height), 1.0};
  KxvDecodeBufConfig::InitFromProps(whole, wholeImage, props);
  fresh.fullImageLayout = whole.format;
  presentation_ = fresh;
  return status;
}

KxvTransposerImp::Presentation KxvTransposerImp::presentation() const {
  MutexLockGuard hold(presentationLock_);
  return presentation_;
}

HRESULT KX_STDCALL KxvTransposerImp::GetRasterProps(RasterProps* props) {
  return guarded([&]() -> HRESULT {
    if (props == nullptr) return E_INVALIDARG;
    const HRESULT status = refreshPresentation();
    if (FAILED(status)) return status;
    *props = presentation().props;
    return status;
  });
}

HRESULT KX_STDCALL KxvTransposerImp::Initialize() {
  return guarded([&]() -> HRESULT {
    const HRESULT status = KxvContentBase::Initialize();
    if (FAILED(status)) return status;
    return refreshPresentation();
  });
}

HRESULT KX_STDCALL KxvTransposerImp::SetRotation(uint32_t angle) {
  guarded([&] {
    {
      MutexLockGuard hold(presentationLock_);
      presentation_.rotation = angle;
    }
    // The reported size follows the angle; without an upstream it does so at the next refresh.
    return refreshPresentation();
  });
  return S_OK;
}

HRESULT KX_STDCALL KxvTransposerImp::Decode(DecodeBuffer* buffer, uint32_t quality, void* third) {
  return guarded([&] { return decodeTurned(buffer, quality, third); });
}

HRESULT KxvTransposerImp::decodeTurned(DecodeBuffer* buffer, uint32_t quality, void* third) {
  // The caller's buffer against the whole turned image this stage presents.
  const Presentation shown = presentation();
  const HRESULT valid = validate(buffer, shown.fullImageLayout, shown.props);
  if (FAILED(valid)) return valid;

  // Unturned, the upstream decodes straight into the caller's buffer.
  if (shown.rotation == 0) return KxvContentBase::Decode(buffer, quality, third);
  // An angle that is no quarter turn fails before any upstream work.
  if (!KxvTurnModeOf(shown.rotation)) return E_FAIL;
  return decodeTurnedScene(buffer, quality, third, shown);
}

KxvImageExtent KxvTransposerImp::turnedExtentAt(double mag, const Presentation& shown) {
  // An upstream that tells its size at the magnification is taken at its word.
  IKxImageSizeQuery* sizeQuery = nullptr;
  if (SUCCEEDED(getContainedImp()->QueryInterface(IID_IKxImageSizeQuery, reinterpret_cast<void**>(&sizeQuery))) &&
      sizeQuery != nullptr) {
    uint32_t width = 0;
    uint32_t height = 0;
    sizeQuery->GetImageSize(mag, &width, &height);
    sizeQuery->Release();
    if (width != 0 && height != 0) {
      if (KxvTurnSwapsAxes(shown.rotation)) std::swap(width, height);
      return KxvImageExtent{static_cast<double>(width), static_cast<double>(height)};
    }
  }
  return KxvScaledExtent(shown.props, mag);
}

HRESULT KxvTransposerImp::decodeTurnedScene(DecodeBuffer* buffer, uint32_t quality, void* third,
                                            const Presentation& shown) {
  // The upstream scene, and the upstream's own layout for it.
  IKxContentImp* upstream = getContainedImp();
  if (upstream == nullptr) return E_FAIL;
  const KxvImageExtent turned = turnedExtentAt(buffer->scene.mag, shown);
  const Scene upstreamScene = KxvUpstreamScene(buffer->scene, shown.rotation, turned);
  RasterProps source;
  const HRESULT status = upstream->GetRasterProps(&source);
  if (FAILED(status)) return status;
  DecodeBuffer working;
  KxvDecodeBufConfig::InitFromProps(working, upstreamScene, source);
  // Samples of another layout than the caller's could not be turned into its
  // buffer: nothing is decoded, and no working memory sized by an upstream's
  // band count (which may be anything) is asked for.
  if (!KxvTurnKeepsSamples(working.format, buffer->format)) return E_INVALIDARG;

  // The caller's memory takes the upstream's pixels when the upstream writes
  // the caller's layout and the turn keeps the buffer's shape.
  const bool upstreamWritesCallersLayout =
      KxvDecodeBufConfig::LayoutReasons(buffer->format, working.format, source.flags) == 0;
  if (quality != 0 && upstreamWritesCallersLayout && turnInPlace(*buffer, shown.rotation, nullptr)) {
    return decodeInCallersMemory(buffer, upstreamScene, quality, third, shown.rotation);
  }
  return decodeThroughWorkingBuffer(buffer, working, quality, third, shown.rotation);
}

HRESULT KxvTransposerImp::decodeInCallersMemory(DecodeBuffer* buffer, const Scene& upstreamScene, uint32_t quality,
                                                void* third, uint32_t rotation) {
  // The caller's record, showing the upstream scene: the turn keeps the
  // shape, so its memory holds that scene's pixels in the caller's layout.
  DecodeBuffer record = *buffer;
  record.scene = upstreamScene;
  const HRESULT status = decodeUpstreamKeepingLayout(record, quality, third);
  if (FAILED(status)) return status;
  KxvScratchShelf::Lease scratch(turnScratch_);
  if (!turnInPlace(record, rotation, &scratch.bytes())) return E_OUTOFMEMORY;
  buffer->resultCode = record.resultCode;
  buffer->resultFlag = record.resultFlag;
  return status;
}

HRESULT KxvTransposerImp::decodeThroughWorkingBuffer(DecodeBuffer* buffer, DecodeBuffer& working, uint32_t quality,
                                                     void* third, uint32_t rotation) {
  // Pixel memory only when pixels are asked for; it goes back to the pool on every path.
  KxvWorkingBufferPool::Lease memory;
  if (quality != 0) {
    const uint64_t bytes = KxvDecodeBufConfig::GetByteSize(working);
    if (bytes > std::numeric_limits<size_t>::max()) return E_OUTOFMEMORY;
    memory = workingBuffers_.acquire(static_cast<size_t>(bytes));
    if (!memory) return E_OUTOFMEMORY;
    working.pBits = memory.data();
  }

  // Decode upstream, turn into the caller's buffer, and carry the upstream's result back.
  HRESULT status = decodeUpstreamKeepingLayout(working, quality, third);
  if (SUCCEEDED(status) && quality != 0) status = Transpose(&working, buffer, rotation);
  if (SUCCEEDED(status)) {
    buffer->resultCode = working.resultCode;
    buffer->resultFlag = working.resultFlag;
  }
  return status;
}

}  // namespace Kelvane
