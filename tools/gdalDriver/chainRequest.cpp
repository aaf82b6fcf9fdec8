#include "gdalDriver/chainRequest.h"

#include <cpl_minixml.h>
#include <cpl_string.h>

#include <algorithm>
#include <memory>

#include "hostChain/renderOptionTable.h"

namespace kxdriver {

namespace {

bool refuse(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

std::string percentDecoded(const std::string& text) {
  char* decoded = CPLUnescapeString(text.c_str(), nullptr, CPLES_URL);
  std::string result = decoded != nullptr ? decoded : text;
  CPLFree(decoded);
  return result;
}

// Render options that shape one render's output, not the chain a dataset is.
bool isRenderOnly(std::string key) {
  std::replace(key.begin(), key.end(), '_', '-');
  const char* renderOnly[] = {"output", "scene", "mag", "tile", "threads", "map-rect", "srs"};
  return std::any_of(std::begin(renderOnly), std::end(renderOnly), [&](const char* name) { return key == name; });
}

// Options whose value is a path, made relative to a chain file's folder.
bool isPathOption(const std::string& key) { return key == "watermark" || key == "cache"; }

std::string relativeTo(const std::string& directory, const std::string& path) {
  if (path.empty() || path[0] == '/' || path.rfind("/vsi", 0) == 0 || path.find("://") != std::string::npos)
    return path;
  return std::string(CPLFormFilename(directory.c_str(), path.c_str(), nullptr));
}

}  // namespace

bool IsConnectionString(const std::string& name) {
  return name.size() >= sizeof kConnectionPrefix - 1 &&
         EQUALN(name.c_str(), kConnectionPrefix, sizeof kConnectionPrefix - 1);
}

bool ParseConnectionString(const std::string& name, ChainRequest* request, std::string* error) {
  const std::string rest = name.substr(sizeof kConnectionPrefix - 1);
  const size_t query = rest.rfind('?');
  request->source = percentDecoded(rest.substr(0, query));
  if (request->source.empty()) return refuse(error, "kx: " + name + " names no image");
  if (query == std::string::npos) return true;
  // key=value pairs joined by '&'; the first '=' ends the key, so values
  // such as replace=0,0,0=255,255,255 keep theirs.
  const CPLStringList pairs(CSLTokenizeString2(rest.c_str() + query + 1, "&", 0));
  for (int i = 0; i < pairs.size(); ++i) {
    const std::string pair = pairs[i];
    const size_t equals = pair.find('=');
    if (equals == std::string::npos || equals == 0)
      return refuse(error, "kx: option \"" + pair + "\" is not key=value");
    request->options.emplace_back(percentDecoded(pair.substr(0, equals)), percentDecoded(pair.substr(equals + 1)));
  }
  return true;
}

bool ParseChainFile(const std::string& text, const std::string& directory, ChainRequest* request, std::string* error) {
  std::unique_ptr<CPLXMLNode, void (*)(CPLXMLNode*)> tree(CPLParseXMLString(text.c_str()), CPLDestroyXMLNode);
  const CPLXMLNode* root = tree ? CPLGetXMLNode(tree.get(), (std::string("=") + kChainFileRoot).c_str()) : nullptr;
  if (root == nullptr) return refuse(error, "kx: the chain file has no <KXChain> root element");
  for (const CPLXMLNode* child = root->psChild; child != nullptr; child = child->psNext) {
    if (child->eType != CXT_Element) continue;
    const std::string key = child->pszValue;
    const std::string value = CPLGetXMLValue(child, nullptr, "");
    if (key == "Source") {
      request->source = relativeTo(directory, value);
    } else {
      request->options.emplace_back(key, isPathOption(key) ? relativeTo(directory, value) : value);
    }
  }
  if (request->source.empty()) return refuse(error, "kx: the chain file names no <Source> image");
  return true;
}

bool SettingsFor(const ChainRequest& request, kxhost::RenderSettings* settings, std::string* error) {
  settings->image = request.source;
  for (const auto& [key, value] : request.options) {
    if (isRenderOnly(key)) return refuse(error, "kx: " + key + " is an option of a render, not of a dataset");
    if (!kxhost::ParseRenderSetting(key, value, settings, error)) return refuse(error, "kx: " + *error);
  }
  if (!kxhost::CheckRenderSettings(*settings, error)) return refuse(error, "kx: " + *error);
  return true;
}

}  // namespace kxdriver
