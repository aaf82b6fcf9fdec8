// The module's public interface as the host tool uses it: each name of the
// public header that the tool needs, declared inside the tool's namespace
// one by one, so that a new name in the header cannot collide with one of
// the tool's own.
#ifndef KX_HOST_CHAIN_KELVANE_API_H
#define KX_HOST_CHAIN_KELVANE_API_H

#include "kelvane/kx_lib_sp_xform.h"
#include "kelvane/kx_registry_store.h"

namespace kxhost {

// Records passed across the interfaces.
using Kelvane::BufferFormat, Kelvane::DecodeBuffer, Kelvane::GeoDomain, Kelvane::KxIPixel, Kelvane::RasterProps,
    Kelvane::Scene;

// The classes the module serves.
using Kelvane::CLSID_KxvMultibandSelectorImp, Kelvane::CLSID_KxvPersistantPixelCache,
    Kelvane::CLSID_KxvPixelReplacerImp, Kelvane::CLSID_KxvTransposerImp, Kelvane::CLSID_KxvWatermarkerImp;

// Interface identifiers, and the interfaces.
using Kelvane::IID_IKxBackgroundPixelQuery, Kelvane::IID_IKxBandSelectDecode, Kelvane::IID_IKxContentImp,
    Kelvane::IID_IKxGeoRaster, Kelvane::IID_IKxGeoSpatialInfo, Kelvane::IID_IKxImageSizeQuery, Kelvane::IID_IKxLoggable,
    Kelvane::IID_IKxLogger, Kelvane::IID_IKxMultibandSelector, Kelvane::IID_IKxPersistantPixelCache2,
    Kelvane::IID_IKxPixelReplacer2, Kelvane::IID_IKxPixelReplacerImp, Kelvane::IID_IKxSpatialReference,
    Kelvane::IID_IKxTransposerImp, Kelvane::IID_IKxWatermarkerImp;
using Kelvane::IKxBackgroundPixelQuery, Kelvane::IKxBandSelectDecode, Kelvane::IKxContentImp, Kelvane::IKxGeoRaster,
    Kelvane::IKxGeoSpatialInfo, Kelvane::IKxImageSizeQuery, Kelvane::IKxLogSink, Kelvane::IKxLoggable,
    Kelvane::IKxLogger, Kelvane::IKxMultibandSelector, Kelvane::IKxPersistantPixelCache2, Kelvane::IKxPixelReplacer2,
    Kelvane::IKxPixelReplacerImp, Kelvane::IKxSpatialReference, Kelvane::IKxTransposerImp, Kelvane::IKxWatermarkerImp;

// Capabilities, colour spaces, sample types, orders, merge keys and statuses.
using Kelvane::KXV_BEST_QUALITY, Kelvane::KX_CAP_ANY_MAG, Kelvane::KX_CAP_DATA_TYPE, Kelvane::KX_CAP_ORDER,
    Kelvane::KX_CAP_OUTSIDE_IMAGE, Kelvane::KX_CAP_PARTIAL_SCENE, Kelvane::KX_CAP_POW2_MAG, Kelvane::KX_CAP_SAMPLE_MAP,
    Kelvane::KX_CAP_STRIDE, Kelvane::KX_CS_CMYK, Kelvane::KX_CS_GREY, Kelvane::KX_CS_MULTIBAND, Kelvane::KX_CS_RGB,
    Kelvane::KX_E_GEO_MISMATCH, Kelvane::KX_E_NO_PIXEL_MEMORY, Kelvane::KX_MERGE_KEY_EXACT,
    Kelvane::KX_MERGE_KEY_TOLERANT, Kelvane::KX_ORDER_BAND_SEQUENTIAL, Kelvane::KX_ORDER_INTERLEAVED,
    Kelvane::KX_SAMPLE_F32, Kelvane::KX_SAMPLE_F64, Kelvane::KX_SAMPLE_S16, Kelvane::KX_SAMPLE_S32,
    Kelvane::KX_SAMPLE_S8, Kelvane::KX_SAMPLE_U16, Kelvane::KX_SAMPLE_U32, Kelvane::KX_SAMPLE_U8, Kelvane::KX_TYPE_F32,
    Kelvane::KX_TYPE_S16, Kelvane::KX_TYPE_S8, Kelvane::KX_TYPE_U16, Kelvane::KX_TYPE_U8;

// Class identifiers as text, and the registry the module writes them into.
using Kelvane::KxClassIdText, Kelvane::KxReadRegistryText, Kelvane::KxRegisteredModulePath,
    Kelvane::KxRegistryRootDirectory;

// Helpers for the host's own objects and logger.
using Kelvane::KxHostAnswerQuery, Kelvane::KxHostLoggerBase, Kelvane::KxHostObject, Kelvane::KxHostSampleBytes,
    Kelvane::KxLogSinkOf;

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_KELVANE_API_H
