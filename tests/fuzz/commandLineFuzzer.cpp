// kxhost's command line as any user may type it: words split at zero bytes,
// parsed and checked for every command, each key=value word parsed as a
// render setting, and the cache directory names made from them. Parsing
// fails cleanly or succeeds; nothing else may happen.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "hostChain/cacheKey.h"
#include "hostChain/renderOptionTable.h"
#include "kxhost/commandLine.h"
#include "kxhost/renderOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kxhost;
  // The words, the program name first.
  std::vector<std::string> words = {"kxhost"};
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (size_t start = 0; start <= text.size() && words.size() < 64;) {
    const size_t end = std::min(text.find('\0', start), text.size());
    words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());

  // Each word with an '=' as a key=value render setting, as a connection string gives them.
  RenderSettings keyed;
  std::string error;
  for (const std::string& word : words) {
    const size_t equals = word.find('=');
    if (equals != std::string::npos)
      ParseRenderSetting(word.substr(0, equals), word.substr(equals + 1), &keyed, &error);
  }

  CommandLine line;
  if (!ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &line, &error)) return 0;
  RenderSettings render;
  if (!ParseRenderOptions(line, &render, &error)) return 0;
  // The directory a render would cache into, from a source identity of the words.
  const CacheSettings& cache = render.cache;
  SourceIdentity source;
  source.canonicalPath = render.image;
  source.resampling = render.resamplingName;
  CacheDirectoryFor(cache.directory, source, render.bands, cache.tileWidth.value_or(512),
                    cache.tileHeight.value_or(512));
  return 0;
}
