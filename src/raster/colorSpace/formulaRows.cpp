// The formula row kernels, each formula written once over Google Highway's
// vector operations for every sample type pair and compiled by it for each
// x86 instruction set (SSSE3, SSE4, AVX2, AVX-512); Highway runs the best
// one the machine has. The sample types are chosen once per row. The module
// is compiled without fused multiply-adds, so each Mul and Add rounds as the
// scalar operator does.
#include "raster/colorSpace/formulaRows.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "raster/colorSpace/formulaRows.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "raster/colorSpace/pixelRowVectors-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Kelvane {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128

size_t YiqkToCmykRow(const PixelRow&, const YiqCoefficients&) { return 0; }
size_t CmykToYiqkRow(const PixelRow&) { return 0; }
size_t YiqToRgbRow(const PixelRow&, const YiqCoefficients&) { return 0; }
size_t RgbToYiqRow(const PixelRow&) { return 0; }
size_t CmykToRgbkRow(const PixelRow&) { return 0; }
size_t SeparatedCmykToRgbRow(const PixelRow&) { return 0; }
size_t FloatDeviceValues(const float*, uint8_t*, size_t) { return 0; }

#else

// Whole groups of In-band pixels into Out-band pixels: formula(in, out)
// gives the results before `Mapping` turns them into destination samples.
template <typename Dst, typename Src, size_t In, size_t Out, class Mapping, class Formula>
size_t convertRow(const PixelRow& row, const Formula& formula) {
  const size_t lanes = hn::Lanes(GroupTag());
  const auto* source = static_cast<const Src*>(row.source);
  auto* destination = static_cast<Dst*>(row.destination);
  const Mapping mapped(row);
  size_t done = 0;
  for (; done + lanes <= row.count; done += lanes) {
    PixelVec low[In], high[In];
    loadPixels(source + In * done, row.sourceAt, low, high);
    PixelVec lowOut[Out], highOut[Out];
    formula(low, lowOut);
    formula(high, highOut);
    for (size_t band = 0; band < Out; ++band) {
      lowOut[band] = mapped(lowOut[band]);
      highOut[band] = mapped(highOut[band]);
    }
    storePixels(lowOut, highOut, row.destinationAt, destination + Out * done);
  }
  return done;
}

// convertRow for the row's sample types, its results through mapResult's
// mapping (the shorter one where it reduces to that), or with kLimitOnly
// limited to the destination range alone.
template <size_t In, size_t Out, bool kLimitOnly = false, class Formula>
size_t convertAnyRow(const PixelRow& row, const Formula& formula) {
  return withRowSampleType(row.destinationType, [&](auto dst) {
    return withRowSampleType(row.sourceType, [&](auto src) {
      using Dst = decltype(dst);
      using Src = decltype(src);
      if constexpr (kLimitOnly) {
        return convertRow<Dst, Src, In, Out, RangeLimit>(row, formula);
      } else {
        if (SourceSampleMapping<Src>::applies(row)) {
          return convertRow<Dst, Src, In, Out, SourceSampleMapping<Src> >(row, formula);
        }
        return convertRow<Dst, Src, In, Out, ResultMapping<Dst, Src> >(row, formula);
      }
    });
  });
}

// coefficient (a single-precision constant widened to double) times v.
HWY_INLINE PixelVec times(float coefficient, PixelVec v) {
  return hn::Mul(hn::Set(PixelTag(), double{coefficient}), v);
}

// y + first i + second q, for one row of the inverse YIQ matrix.
template <size_t N>
HWY_INLINE PixelVec inverseYiq(const PixelVec (&yiq)[N], float first, float second) {
  return hn::Add(hn::Add(yiq[0], times(first, yiq[1])), times(second, yiq[2]));
}

// Inks from the inverse matrix against 255, rounded to single precision and
// limited to 0..255; the black takes the grey out of them up to the source's
// black.
size_t YiqkToCmykRow(const PixelRow& row, const YiqCoefficients& w) {
  return convertAnyRow<4, 4>(row, [&w](const PixelVec(&yiqk)[4], PixelVec(&cmyk)[4]) {
    const PixelTag df;
    const PixelVec zero = hn::Zero(df), top = hn::Set(df, 255.0), two = hn::Set(df, 2.0);
    const PixelVec black = clampInto(yiqk[3], zero, hn::Set(df, HUGE_VAL));
    const auto ink = [&](float first, float second) {
      return clampInto(roundedToFloat(hn::Sub(top, inverseYiq(yiqk, first, second))), zero, top);
    };
    const PixelVec c = ink(w.a1, w.a2), m = ink(w.b1, w.b2), y = ink(w.c1, w.c2);
    const PixelVec grey2 = hn::Mul(two, lesser(c, lesser(m, y)));
    const PixelVec k = hn::Sub(grey2, hn::Trunc(lesser(grey2, black)));
    cmyk[0] = hn::Sub(hn::Mul(two, c), k);
    cmyk[1] = hn::Sub(hn::Mul(two, m), k);
    cmyk[2] = hn::Sub(hn::Mul(two, y), k);
    cmyk[3] = k;
  });
}

// The YIQ formulas on the inks against 255; the least of the colour inks.
size_t CmykToYiqkRow(const PixelRow& row) {
  return convertAnyRow<4, 4>(row, [](const PixelVec(&cmyk)[4], PixelVec(&yiqk)[4]) {
    const PixelVec c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    const PixelVec top = hn::Set(PixelTag(), 255.0);
    yiqk[0] = hn::Sub(hn::Sub(hn::Sub(hn::Sub(top, times(0.5f, k)), times(0.15f, c)), times(0.3f, m)), times(0.05f, y));
    yiqk[1] = hn::Add(hn::Add(times(-0.3f, c), times(0.14f, m)), times(0.16f, y));
    yiqk[2] = hn::Sub(hn::Add(times(-0.105f, c), times(0.265f, m)), times(0.16f, y));
    yiqk[3] = lesser(c, lesser(m, y));
  });
}

size_t YiqToRgbRow(const PixelRow& row, const YiqCoefficients& w) {
  return convertAnyRow<3, 3>(row, [&w](const PixelVec(&yiq)[3], PixelVec(&rgb)[3]) {
    rgb[0] = inverseYiq(yiq, w.a1, w.a2);
    rgb[1] = inverseYiq(yiq, w.b1, w.b2);
    rgb[2] = inverseYiq(yiq, w.c1, w.c2);
  });
}

size_t RgbToYiqRow(const PixelRow& row) {
  return convertAnyRow<3, 3>(row, [](const PixelVec(&rgb)[3], PixelVec(&yiq)[3]) {
    const PixelVec r = rgb[0], g = rgb[1], b = rgb[2];
    yiq[0] = hn::Add(hn::Add(times(0.3f, r), times(0.6f, g)), times(0.1f, b));
    yiq[1] = hn::Sub(hn::Sub(times(0.6f, r), times(0.28f, g)), times(0.32f, b));
    yiq[2] = hn::Add(hn::Sub(times(0.21f, r), times(0.53f, g)), times(0.32f, b));
  });
}

// Each colour the destination's top less half of its ink and the black; the
// least of the colour inks.
size_t CmykToRgbkRow(const PixelRow& row) {
  const PixelVec top = hn::Set(PixelTag(), row.destinationMax);
  return convertAnyRow<4, 4>(row, [top](const PixelVec(&cmyk)[4], PixelVec(&rgbk)[4]) {
    const PixelVec half = hn::Set(PixelTag(), 0.5);
    for (int band = 0; band < 3; ++band) rgbk[band] = hn::Sub(top, hn::Mul(hn::Add(cmyk[band], cmyk[3]), half));
    rgbk[3] = lesser(cmyk[0], lesser(cmyk[1], cmyk[2]));
  });
}

// 0.5 b + 0.5 a of a = X - (ink + K) / 2 and b = X - (ink (1 - K / X) + K),
// X the destination's top (K / X taken as 0 for a top of 0), limited to the
// destination range.
size_t SeparatedCmykToRgbRow(const PixelRow& row) {
  const PixelTag df;
  const PixelVec top = hn::Set(df, row.destinationMax);
  const bool dividesByTop = row.destinationMax > 0.0;
  return convertAnyRow<4, 3, true>(row, [&](const PixelVec(&cmyk)[4], PixelVec(&rgb)[3]) {
    const PixelVec black = cmyk[3];
    const PixelVec half = hn::Set(df, double{0.5f});
    const PixelVec share = dividesByTop ? hn::Div(black, top) : hn::Zero(df);
    const PixelVec remaining = hn::Sub(hn::Set(df, 1.0), share);
    for (int band = 0; band < 3; ++band) {
      const PixelVec a = hn::Sub(top, hn::Div(hn::Add(cmyk[band], black), hn::Set(df, 2.0)));
      const PixelVec b = hn::Sub(top, hn::Add(hn::Mul(cmyk[band], remaining), black));
      rgb[band] = hn::Add(hn::Mul(half, b), hn::Mul(half, a));
    }
  });
}

// curveIndexOf of each float: truncated toward zero and limited to 0..255
// (NaN giving 0), in single precision, where truncation and the limits are
// exact as in double.
size_t FloatDeviceValues(const float* samples, uint8_t* values, size_t count) {
  const hn::ScalableTag<float> df;
  const hn::Rebind<int32_t, decltype(df)> di;
  const hn::Rebind<uint8_t, decltype(df)> d8;
  const size_t lanes = hn::Lanes(df);
  const auto zero = hn::Zero(df);
  const auto top = hn::Set(df, 255.0f);
  size_t done = 0;
  for (; done + lanes <= count; done += lanes) {
    const auto v = hn::Trunc(hn::LoadU(df, samples + done));
    const auto limited = hn::IfThenElse(hn::Ge(v, zero), hn::IfThenElse(hn::Gt(v, top), top, v), zero);
    hn::StoreU(hn::DemoteTo(d8, hn::ConvertTo(di, limited)), d8, values + done);
  }
  return done;
}

#endif  // vector targets

}  // namespace HWY_NAMESPACE
}  // namespace Kelvane
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Kelvane {

HWY_EXPORT(YiqkToCmykRow);
HWY_EXPORT(CmykToYiqkRow);
HWY_EXPORT(YiqToRgbRow);
HWY_EXPORT(RgbToYiqRow);
HWY_EXPORT(CmykToRgbkRow);
HWY_EXPORT(SeparatedCmykToRgbRow);
HWY_EXPORT(FloatDeviceValues);

size_t yiqkToCmykRow(const PixelRow& row, const YiqCoefficients& coefficients) {
  return HWY_DYNAMIC_DISPATCH(YiqkToCmykRow)(row, coefficients);
}
size_t cmykToYiqkRow(const PixelRow& row) { return HWY_DYNAMIC_DISPATCH(CmykToYiqkRow)(row); }
size_t yiqToRgbRow(const PixelRow& row, const YiqCoefficients& coefficients) {
  return HWY_DYNAMIC_DISPATCH(YiqToRgbRow)(row, coefficients);
}
size_t rgbToYiqRow(const PixelRow& row) { return HWY_DYNAMIC_DISPATCH(RgbToYiqRow)(row); }
size_t cmykToRgbkRow(const PixelRow& row) { return HWY_DYNAMIC_DISPATCH(CmykToRgbkRow)(row); }
size_t separatedCmykToRgbRow(const PixelRow& row) { return HWY_DYNAMIC_DISPATCH(SeparatedCmykToRgbRow)(row); }
size_t floatDeviceValues(const float* samples, uint8_t* values, size_t count) {
  return HWY_DYNAMIC_DISPATCH(FloatDeviceValues)(samples, values, count);
}

}  // namespace Kelvane
#endif  // HWY_ONCE
