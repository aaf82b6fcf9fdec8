// Writes the CMYK characterisation of the colorimetric CMYK-to-RGB path: four
// 256-entry input curves and a 7 x 7 x 7 x 7 grid of 16-bit Lab values, as a
// C++ header. The data come from a small model of process inks on paper:
//
// - Paper is the white point, Lab (100, 0, 0). The solid cyan, magenta and
//   yellow inks are given by their measured Lab values; each becomes a
//   per-channel reflectance in XYZ relative to the paper. A solid of black
//   reflects nothing.
// - Overprints multiply the reflectances of the inks on top of each other
//   (light passes each ink layer in turn), so the sixteen Neugebauer
//   primaries follow from the four inks and the paper.
// - A tint mixes the primaries by the Demichel area weights of the four
//   coverages, with the Yule-Nielsen correction n = 2 for light scattered in
//   the paper (mixing square roots of reflectance, then squaring).
// - Grid node j of an axis stands for coverage j / 5; node 6 repeats node 5,
//   since the lookup reads it only with a fraction of 0.
// - The input curves carry the press's tone reproduction from a device value
//   to the coverage the grid is indexed by: small highlight dots print
//   smaller than nominal (the measured first steps: cyan 194 per step, the
//   other inks 170), mid tones gain and the curve ends at full coverage.
//
// The arithmetic is basic IEEE double operations and square roots only (cube
// roots by a fixed number of Newton steps), so the output is the same on every
// platform with IEEE doubles and without contracted multiply-adds.
//
// Usage: cmykProfileGenerator            writes the header to standard output
//        cmykProfileGenerator --check F  exits 0 when F holds exactly that text
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

struct Xyz {
  double x, y, z;
};

struct Lab {
  double l, a, b;
};

// The white point the Lab values refer to (the paper), as the Lab-to-RGB
// stage of the colorimetric path reads them.
constexpr Xyz kWhite = {0.9505, 1.0, 1.0891};

// 16-bit Lab encoding: L 0..100 as 0..65280, a and b with 32768 as 0 and 256
// per unit.
constexpr double kLScale = 652.8;
constexpr double kAbScale = 256.0;
constexpr double kAbZero = 32768.0;

Lab decodeLab(uint16_t l, uint16_t a, uint16_t b) {
  return {l / kLScale, (a - kAbZero) / kAbScale, (b - kAbZero) / kAbScale};
}

// Measured solids on the paper, in the 16-bit encoding.
const Lab kCyanSolid = decodeLab(40704, 24832, 20480);
const Lab kMagentaSolid = decodeLab(31232, 54016, 32000);
const Lab kYellowSolid = decodeLab(61440, 29184, 58368);

// CIE lightness function and its inverse, with the linear segment below
// (6/29)^3 so that a black of zero reflectance has L = 0.
constexpr double kEpsilon = 6.0 / 29.0;

double cubeRoot(double v) {
  double y = 1.0;
  // Newton from 1 converges for every v the model produces (0.008 to 1.1);
  // a fixed count keeps the result the same everywhere.
  for (int step = 0; step < 64; ++step) y = (2.0 * y + v / (y * y)) / 3.0;
  return y;
}

double lightnessFunction(double t) {
  if (t > kEpsilon * kEpsilon * kEpsilon) return cubeRoot(t);
  return t / (3.0 * kEpsilon * kEpsilon) + 4.0 / 29.0;
}

double inverseLightnessFunction(double f) {
  if (f > kEpsilon) return f * f * f;
  return 3.0 * kEpsilon * kEpsilon * (f - 4.0 / 29.0);
}

Xyz labToXyz(const Lab& lab) {
  const double fy = (lab.l + 16.0) / 116.0;
  const double fx = fy + lab.a / 500.0;
  const double fz = fy - lab.b / 200.0;
  return {kWhite.x * inverseLightnessFunction(fx), kWhite.y * inverseLightnessFunction(fy),
          kWhite.z * inverseLightnessFunction(fz)};
}

Lab xyzToLab(const Xyz& xyz) {
  const double fx = lightnessFunction(xyz.x / kWhite.x);
  const double fy = lightnessFunction(xyz.y / kWhite.y);
  const double fz = lightnessFunction(xyz.z / kWhite.z);
  return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

// Nearest 16-bit code, limited to the encoding.
uint16_t encode(double v) {
  const double rounded = std::floor(v + 0.5);
  if (rounded < 0.0) return 0;
  if (rounded > 65535.0) return 65535;
  return static_cast<uint16_t>(rounded);
}

// Reflectance of one ink layer per XYZ channel, relative to the paper.
Xyz reflectanceOf(const Lab& solid) {
  const Xyz xyz = labToXyz(solid);
  return {xyz.x / kWhite.x, xyz.y / kWhite.y, xyz.z / kWhite.z};
}

// Coverages of cyan, magenta, yellow and black, 0 to 1.
using Coverage = std::array<double, 4>;

Xyz printedColor(const Coverage& coverage) {
  const std::array<Xyz, 4> inks = {reflectanceOf(kCyanSolid), reflectanceOf(kMagentaSolid), reflectanceOf(kYellowSolid),
                                   Xyz{0.0, 0.0, 0.0}};
  // Yule-Nielsen n = 2: sums of weighted square roots, squared.
  Xyz root = {0.0, 0.0, 0.0};
  for (unsigned primary = 0; primary < 16; ++primary) {
    double weight = 1.0;
    Xyz reflectance = {1.0, 1.0, 1.0};
    for (unsigned ink = 0; ink < 4; ++ink) {
      if ((primary >> ink) & 1u) {
        weight *= coverage[ink];
        reflectance = {reflectance.x * inks[ink].x, reflectance.y * inks[ink].y, reflectance.z * inks[ink].z};
      } else {
        weight *= 1.0 - coverage[ink];
      }
    }
    root = {root.x + weight * std::sqrt(reflectance.x), root.y + weight * std::sqrt(reflectance.y),
            root.z + weight * std::sqrt(reflectance.z)};
  }
  return {kWhite.x * root.x * root.x, kWhite.y * root.y * root.y, kWhite.z * root.z * root.z};
}

// Tone reproduction: coverage g(t) of a device value t = x / 255, the cubic
// g(t) = s t + p t^2 + q t^3 with g(1) = 1 and g(1/2) = m, that is
// g(t) = s (t - 3t^2 + 2t^3) + (8m - 1) t^2 + (2 - 8m) t^3. The highlight
// slope s makes the curve pass through a measured point (t1, g1).
struct ToneCurve {
  double s;  // g'(0)
  double m;  // g(1/2)

  static ToneCurve through(double t1, double g1, double m) {
    const double shape = t1 - 3.0 * t1 * t1 + 2.0 * t1 * t1 * t1;
    const double rest = (8.0 * m - 1.0) * t1 * t1 + (2.0 - 8.0 * m) * t1 * t1 * t1;
    return {(g1 - rest) / shape, m};
  }
  double operator()(double t) const {
    const double p = 8.0 * m - 3.0 * s - 1.0;
    const double q = 1.0 - s - p;
    return ((q * t + p) * t + s) * t;
  }
};

// The measured first steps (entries 0 to 4) and the coverage printed at
// device value 50%: cyan gains in the mid tones; magenta, yellow and black
// share one curve, whose mid tones print lighter than nominal, which with a
// black solid of zero reflectance keeps the black tints near a common press.
constexpr std::array<uint16_t, 5> kCyanStart = {0, 194, 390, 584, 780};
constexpr std::array<uint16_t, 5> kOtherStart = {0, 170, 340, 512, 682};
constexpr double kCyanMidTone = 0.58;
constexpr double kOtherMidTone = 0.42;

std::array<uint16_t, 256> curveOf(const std::array<uint16_t, 5>& start, double midTone) {
  // The curve passes through the last measured step; the steps before it are
  // the measured values themselves.
  const ToneCurve tone = ToneCurve::through(4.0 / 255.0, start[4] / 65535.0, midTone);
  std::array<uint16_t, 256> curve{};
  for (unsigned x = 0; x < 256; ++x) {
    curve[x] = x < start.size() ? start[x] : encode(65535.0 * tone(x / 255.0));
  }
  return curve;
}

// The lookup needs curves that rise strictly from 0 to 65535.
bool risesStrictly(const std::array<uint16_t, 256>& curve) {
  for (unsigned x = 1; x < 256; ++x) {
    if (curve[x] <= curve[x - 1]) return false;
  }
  return curve[0] == 0 && curve[255] == 65535;
}

constexpr unsigned kNodes = 7;

// The header text; empty when the model breaks a property the lookup relies on.
std::string generate() {
  const std::array<uint16_t, 256> cyan = curveOf(kCyanStart, kCyanMidTone);
  const std::array<uint16_t, 256> other = curveOf(kOtherStart, kOtherMidTone);
  if (!risesStrictly(cyan) || !risesStrictly(other)) return std::string();
  std::ostringstream out;
  out << "// Generated by tools/cmykProfileGenerator from its model of process inks on\n"
         "// paper; regenerate with that program rather than editing by hand.\n"
         "// kCmykInputCurves[x] holds the cyan, magenta, yellow and black curve values\n"
         "// for device value x; kCmykGridNodes[((c * 7 + m) * 7 + y) * 7 + k] holds the\n"
         "// 16-bit Lab (L 0..65280, a and b around 32768) printed at coverages of\n"
         "// min(index, 5) / 5 of each ink.\n"
         "#ifndef KELVANE_RASTER_COLOR_SPACE_CMYK_PROFILE_DATA_H\n"
         "#define KELVANE_RASTER_COLOR_SPACE_CMYK_PROFILE_DATA_H\n\n"
         "#include <cstdint>\n\n"
         "namespace Kelvane {\n\n"
         "// clang-format off\n"
         "inline constexpr uint16_t kCmykInputCurves[256][4] = {\n";
  for (unsigned x = 0; x < 256; ++x) {
    out << "    {" << cyan[x] << ", " << other[x] << ", " << other[x] << ", " << other[x] << "},\n";
  }
  out << "};\n\n"
         "inline constexpr uint16_t kCmykGridNodes[2401][3] = {\n";
  for (unsigned node = 0; node < kNodes * kNodes * kNodes * kNodes; ++node) {
    Coverage coverage{};
    unsigned rest = node;
    for (int ink = 3; ink >= 0; --ink) {
      const unsigned index = rest % kNodes;
      rest /= kNodes;
      coverage[ink] = (index > 5 ? 5 : index) / 5.0;
    }
    const Lab lab = xyzToLab(printedColor(coverage));
    out << "    {" << encode(lab.l * kLScale) << ", " << encode(lab.a * kAbScale + kAbZero) << ", "
        << encode(lab.b * kAbScale + kAbZero) << "},\n";
  }
  out << "};\n"
         "// clang-format on\n\n"
         "}  // namespace Kelvane\n\n"
         "#endif  // KELVANE_RASTER_COLOR_SPACE_CMYK_PROFILE_DATA_H\n";
  return out.str();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string text = generate();
  if (text.empty()) {
    std::fprintf(stderr, "the ink model gives input curves that do not rise strictly\n");
    return 3;
  }
  if (argc == 3 && std::string(argv[1]) == "--check") {
    std::ifstream file(argv[2], std::ios::binary);
    const std::string stored((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (stored == text) return 0;
    std::fprintf(stderr, "%s differs from the generated profile data\n", argv[2]);
    return 1;
  }
  if (argc != 1) {
    std::fprintf(stderr, "usage: %s [--check FILE]\n", argv[0]);
    return 2;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}
