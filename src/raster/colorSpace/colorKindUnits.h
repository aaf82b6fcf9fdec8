// The factories of the standard registry are made in four units of their
// own, kind i of the list in unit i mod 4: every kind over nine type pairs in
// one unit would exhaust the compiler's inlining budget and leave the
// per-sample arithmetic as calls. Only the unit files instantiate them.
#ifndef KELVANE_RASTER_COLOR_SPACE_COLOR_KIND_UNITS_H
#define KELVANE_RASTER_COLOR_SPACE_COLOR_KIND_UNITS_H

#include <cstddef>
#include <memory>
#include <tuple>
#include <utility>

#include "raster/colorSpace/colorKinds.h"
#include "raster/colorSpace/transformerFactory.h"

namespace Kelvane {

inline constexpr size_t kColorKindUnits = 4;

template <size_t Unit>
struct ColorKindUnit {
  // A new factory of kind `index` of StandardFactoryKinds when that kind is
  // this unit's; none for another kind or when out of memory.
  static std::unique_ptr<ColorSpaceTransformerFactory> make(size_t index);
};

namespace color_kind_detail {

// Kind I's factory when it belongs to Unit; other kinds are not instantiated here.
template <size_t Unit, size_t I>
std::unique_ptr<ColorSpaceTransformerFactory> makeIfInUnit() {
  if constexpr (I % kColorKindUnits == Unit) {
    return newTransformerFactory<std::tuple_element_t<I, StandardFactoryKinds>>();
  } else {
    return nullptr;
  }
}

template <size_t Unit, size_t... I>
std::unique_ptr<ColorSpaceTransformerFactory> makeKind(size_t index, std::index_sequence<I...>) {
  std::unique_ptr<ColorSpaceTransformerFactory> factory;
  ((I == index ? (factory = makeIfInUnit<Unit, I>(), 0) : 0), ...);
  return factory;
}

}  // namespace color_kind_detail

template <size_t Unit>
std::unique_ptr<ColorSpaceTransformerFactory> ColorKindUnit<Unit>::make(size_t index) {
  return color_kind_detail::makeKind<Unit>(index, std::make_index_sequence<kStandardFactoryKinds>());
}

extern template struct ColorKindUnit<0>;
extern template struct ColorKindUnit<1>;
extern template struct ColorKindUnit<2>;
extern template struct ColorKindUnit<3>;

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_COLOR_KIND_UNITS_H
