#include "tileServer/tileRequest.h"

#include <array>
#include <exception>

#include "hostChain/bandsOption.h"
#include "hostChain/renderSettings.h"

namespace kxhost {

namespace {

// The Leaflet files the viewer loads, the only ones served from Leaflet's
// directory: a request names one of these, never a path of its own.
constexpr std::array<std::string_view, 7> kLeafletAssets = {
    "leaflet.js",
    "leaflet.css",
    "images/layers.png",
    "images/layers-2x.png",
    "images/marker-icon.png",
    "images/marker-icon-2x.png",
    "images/marker-shadow.png",
};

constexpr std::string_view kTilesPrefix = "/tiles/";
constexpr std::string_view kLeafletPrefix = "/leaflet/";
constexpr std::string_view kTileSuffix = ".png";

TileRequest refused(int status, std::string reason) {
  TileRequest request;
  request.kind = RequestKind::Refused;
  request.status = status;
  request.reason = std::move(reason);
  return request;
}

// A level or tile coordinate: decimal digits only (no sign, no spaces, no
// leading zero), at most kMaxTileCoordinate.
bool parseCoordinate(std::string_view text, uint32_t* value) {
  if (text.empty() || text.size() > 10 || (text.size() > 1 && text[0] == '0')) return false;
  uint64_t parsed = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    parsed = parsed * 10 + static_cast<uint64_t>(c - '0');
  }
  if (parsed > kMaxTileCoordinate) return false;
  *value = static_cast<uint32_t>(parsed);
  return true;
}

// One query option into `view`; false with a reason for an unknown key or a bad value.
bool parseOption(std::string_view key, std::string_view value, ViewOptions* view, std::string* reason) {
  if (key == "bands") {
    RenderSettings settings;
    std::string error;
    if (!ParseBandsSetting(std::string(value), &settings, &error) || settings.bands.empty()) {
      *reason = "bands must list up to 256 band numbers from 1, for example bands=3,2,1";
      return false;
    }
    view->bands = settings.bands;
    return true;
  }
  if (key == "rotate") {
    for (const uint32_t angle : {0u, 90u, 180u, 270u}) {
      if (value == std::to_string(angle)) {
        view->rotate = angle;
        return true;
      }
    }
    *reason = "rotate must be 0, 90, 180 or 270";
    return false;
  }
  if (key == "watermark") {
    if (value == "on" || value == "off") {
      view->watermark = value == "on";
      return true;
    }
    *reason = "watermark must be on or off";
    return false;
  }
  *reason = "unknown query key " + std::string(key) + " (bands, rotate or watermark)";
  return false;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A query key or value with its %XX escapes decoded: browsers escape the
// commas of a band list (URLSearchParams writes 3%2C2%2C1). False for a
// broken escape; what an escape decodes to is checked by the value's parser.
bool unescape(std::string_view text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      *out += text[i];
      continue;
    }
    const int high = i + 2 < text.size() ? hexDigit(text[i + 1]) : -1;
    const int low = high >= 0 ? hexDigit(text[i + 2]) : -1;
    if (low < 0) return false;
    *out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

// The query: key=value pairs joined by '&', each key at most once.
bool parseQuery(std::string_view query, ViewOptions* view, std::string* reason) {
  std::vector<std::string> seen;
  while (!query.empty()) {
    const size_t end = query.find('&');
    const std::string_view pair = query.substr(0, end);
    query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
    const size_t equals = pair.find('=');
    if (equals == std::string_view::npos || equals == 0) {
      *reason = "the query must be key=value pairs joined by &";
      return false;
    }
    std::string key;
    std::string value;
    if (!unescape(pair.substr(0, equals), &key) || !unescape(pair.substr(equals + 1), &value)) {
      *reason = "the query has a broken %XX escape";
      return false;
    }
    for (const std::string& earlier : seen) {
      if (earlier == key) {
        *reason = "query key " + key + " is given twice";
        return false;
      }
    }
    seen.push_back(key);
    if (!parseOption(key, value, view, reason)) return false;
  }
  return true;
}

// Characters a target may hold: printable ASCII without '\\' or '#'.
bool plainCharacters(std::string_view target) {
  for (const char c : target) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7f || c == '\\' || c == '#') return false;
  }
  return true;
}

// Whether the path has an empty, "." or ".." segment past its leading '/'.
bool hasStraySegment(std::string_view path) {
  if (path == "/") return false;
  size_t start = 1;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('/', start), path.size());
    const std::string_view segment = path.substr(start, end - start);
    if (segment.empty() || segment == "." || segment == "..") return true;
    start = end + 1;
  }
  return false;
}

// "/tiles/Z/X/Y.png", its prefix already matched.
TileRequest parseTilePath(std::string_view rest, TileRequest request) {
  const size_t first = rest.find('/');
  const size_t second = first == std::string_view::npos ? first : rest.find('/', first + 1);
  const bool shaped = second != std::string_view::npos && rest.find('/', second + 1) == std::string_view::npos &&
                      rest.size() > second + kTileSuffix.size() &&
                      rest.substr(rest.size() - kTileSuffix.size()) == kTileSuffix;
  if (!shaped) return refused(404, "no such path; tiles are /tiles/Z/X/Y.png");
  const std::string_view yText = rest.substr(second + 1, rest.size() - second - 1 - kTileSuffix.size());
  if (!parseCoordinate(rest.substr(0, first), &request.z) ||
      !parseCoordinate(rest.substr(first + 1, second - first - 1), &request.x) || !parseCoordinate(yText, &request.y))
    return refused(400,
                   "tile level and coordinates must be whole numbers from 0 to " + std::to_string(kMaxTileCoordinate));
  request.kind = RequestKind::Tile;
  return request;
}

TileRequest parseTarget(std::string_view target) {
  // The target's shape, before anything is read from it.
  if (target.size() > kMaxRequestTarget)
    return refused(400, "the request target is longer than " + std::to_string(kMaxRequestTarget) + " characters");
  if (target.empty() || target[0] != '/') return refused(400, "the request target must be a path from /");
  if (!plainCharacters(target))
    return refused(400, "the request target holds a character the server does not accept (spaces, '\\', '#')");
  const size_t question = target.find('?');
  const std::string_view path = target.substr(0, question);
  // No path the server answers needs an escape, and an escaped '/' or '.'
  // must not slip past the segment check.
  if (path.find('%') != std::string_view::npos) return refused(400, "the path holds a percent escape");
  if (hasStraySegment(path)) return refused(400, "the path has an empty, . or .. segment");

  // The query, the same for every path.
  TileRequest request;
  if (question != std::string_view::npos && !parseQuery(target.substr(question + 1), &request.view, &request.reason))
    return refused(400, request.reason);

  // The path.
  if (path == "/") {
    request.kind = RequestKind::Page;
    return request;
  }
  if (path == "/info.json") {
    request.kind = RequestKind::Info;
    return request;
  }
  if (path.substr(0, kTilesPrefix.size()) == kTilesPrefix)
    return parseTilePath(path.substr(kTilesPrefix.size()), std::move(request));
  if (path.substr(0, kLeafletPrefix.size()) == kLeafletPrefix) {
    const std::string_view asset = path.substr(kLeafletPrefix.size());
    for (const std::string_view known : kLeafletAssets) {
      if (asset == known) {
        request.kind = RequestKind::LeafletAsset;
        request.asset = std::string(asset);
        return request;
      }
    }
  }
  return refused(404, "no such path");
}

}  // namespace

TileRequest ParseRequestTarget(std::string_view target) {
  try {
    return parseTarget(target);
  } catch (const std::exception&) {
    return refused(400, "the request target cannot be read");
  }
}

}  // namespace kxhost
