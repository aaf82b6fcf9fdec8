#include "stages/multibandSelector/kxv_multibandSelectorImp.h"

#include <algorithm>
#include <new>
#include <utility>

#include "support/kxLog.h"

namespace Kelvane {

namespace {

// The colour space a selection of `count` bands shows as: one band is
// greyscale, three are RGB, any other count stays multiband.
uint32_t colorSpaceForBandCount(uint16_t count) {
  if (count == 1) return KX_CS_GREY;
  if (count == 3) return KX_CS_RGB;
  return KX_CS_MULTIBAND;
}

// A many-band upstream image (no colour space, or multiband, with three or
// more bands) shows as RGB from its first three bands until told otherwise.
bool wantsDefaultSelection(const RasterProps& source) {
  const bool manyBandSpace = source.colorSpace == KX_CS_NONE || source.colorSpace == KX_CS_MULTIBAND;
  return manyBandSpace && source.numBands >= 3;
}

}  // namespace

HRESULT KxvMultibandSelectorImp::InternalQueryInterface(const IID& iid, void** out) {
  return guarded([&]() -> HRESULT {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (KxIsEqualGUID(iid, IID_IKxMultibandSelector)) return handOut(static_cast<IKxMultibandSelector*>(this), out);
    return KxvContentBase::InternalQueryInterface(iid, out);
  });
}

HRESULT KX_STDCALL KxvMultibandSelectorImp::GetRasterProps(RasterProps* props) {
  return guarded([&]() -> HRESULT {
    if (props == nullptr) return E_INVALIDARG;
    // The upstream's description, narrowed to the selected bands.
    const HRESULT status = KxvContentBase::GetRasterProps(props);
    const Selection shown = selection();
    const uint16_t count = shown ? static_cast<uint16_t>(shown->size()) : uint16_t{0};
    if (SUCCEEDED(status) && count != 0) {
      props->numBands = count;
      props->colorSpace = colorSpaceForBandCount(count);
    }
    return status;
  });
}

HRESULT KX_STDCALL KxvMultibandSelectorImp::Decode(DecodeBuffer* buffer, uint32_t quality, void* third) {
  return guarded([&] { return decodeSelectedBands(buffer, quality, third); });
}

HRESULT KxvMultibandSelectorImp::decodeSelectedBands(DecodeBuffer* buffer, uint32_t quality, void* third) {
  // Without a selection every band passes: the upstream decodes the buffer as it is.
  const Selection shown = selection();
  if (!shown || shown->empty()) return KxvContentBase::Decode(buffer, quality, third);
  IKxContentImp* upstream = getContainedImp();
  if (upstream == nullptr) return E_FAIL;

  // The upstream sees its properties asked for before every decode.
  RasterProps source;
  upstream->GetRasterProps(&source);

  // The caller's buffer must have one sample per selected band.
  if (buffer == nullptr || buffer->format.spp != shown->size()) return E_INVALIDARG;

  // Only the upstream's band-selecting decode can deliver the chosen bands.
  IKxBandSelectDecode* bandDecode = nullptr;
  const HRESULT found = upstream->FindInterface(IID_IKxBandSelectDecode, reinterpret_cast<void**>(&bandDecode));
  if (FAILED(found) || bandDecode == nullptr) {
    logFailure(logSink(), "KxvMultibandSelectorImp::Decode - the upstream source offers no band-selecting decode");
    return E_NOINTERFACE;
  }
  const HRESULT status = bandDecode->DecodeBands(buffer, quality, shown->data(), third);
  bandDecode->Release();
  return status;
}

HRESULT KX_STDCALL KxvMultibandSelectorImp::Initialize() {
  return guarded([&] { return initializeOnce(); });
}

HRESULT KxvMultibandSelectorImp::initializeOnce() {
  Selection discarded;
  {
    MutexLockGuard hold(selectionLock_);
    if (initialized_) return S_OK;
    // A selection made before the first initialisation does not survive it.
    discarded = std::exchange(selection_, nullptr);
  }

  // The upstream initialises first; a failure leaves this stage ready to try again.
  HRESULT status = KxvContentBase::Initialize();
  if (FAILED(status)) return status;
  RasterProps source;
  status = getContainedImp()->GetRasterProps(&source);
  if (FAILED(status)) return status;

  // Many-band images start out showing their first three bands.
  if (wantsDefaultSelection(source)) {
    static constexpr uint16_t kFirstThreeBands[3] = {0, 1, 2};
    const HRESULT selected = replaceSelection(kFirstThreeBands, 3);
    if (FAILED(selected)) return selected;
  }
  MutexLockGuard hold(selectionLock_);
  initialized_ = true;
  return status;
}

HRESULT KX_STDCALL KxvMultibandSelectorImp::SetBands(const uint16_t* bands, uint16_t count) {
  return guarded([&] { return selectBands(bands, count); });
}

HRESULT KxvMultibandSelectorImp::selectBands(const uint16_t* bands, uint16_t count) {
  if (bands == nullptr) return E_INVALIDARG;
  // Indices are checked against the band count the upstream actually reported.
  RasterProps source;
  const HRESULT status = KxvContentBase::GetRasterProps(&source);
  if (FAILED(status)) return status;
  const bool allValid = std::all_of(bands, bands + count, [&](uint16_t band) { return band < source.numBands; });
  if (!allValid) return E_INVALIDARG;

  const HRESULT replaced = replaceSelection(bands, count);
  return FAILED(replaced) ? replaced : status;
}

HRESULT KxvMultibandSelectorImp::replaceSelection(const uint16_t* bands, uint16_t count) {
  Selection made;
  if (count != 0) {
    try {
      made = std::make_shared<const std::vector<uint16_t>>(bands, bands + count);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
  // The one replaced goes when the last decode that holds it returns.
  Selection replaced;
  MutexLockGuard hold(selectionLock_);
  replaced = std::exchange(selection_, std::move(made));
  return S_OK;
}

KxvMultibandSelectorImp::Selection KxvMultibandSelectorImp::selection() const {
  MutexLockGuard hold(selectionLock_);
  return selection_;
}

HRESULT KX_STDCALL KxvMultibandSelectorImp::GetBands(uint16_t* bands) {
  return guarded([&] { return writeBands(bands); });
}

HRESULT KxvMultibandSelectorImp::writeBands(uint16_t* bands) {
  if (bands == nullptr) return E_INVALIDARG;
  // A selection is written as it stands.
  const Selection shown = selection();
  if (shown && !shown->empty()) {
    std::copy(shown->begin(), shown->end(), bands);
    return S_OK;
  }
  // Without one, every upstream band in its own order; the caller has room for that many.
  RasterProps source;
  const HRESULT status = KxvContentBase::GetRasterProps(&source);
  if (FAILED(status)) return status;
  for (uint32_t band = 0; band < source.numBands; ++band) bands[band] = static_cast<uint16_t>(band);
  return S_OK;
}

HRESULT KX_STDCALL KxvMultibandSelectorImp::GetSourceRasterProps(RasterProps* props) {
  return guarded([&]() -> HRESULT {
    if (props == nullptr) return E_INVALIDARG;
    return KxvContentBase::GetRasterProps(props);
  });
}

}  // namespace Kelvane
