#include "kxhost/serveOptions.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "hostChain/optionValues.h"
#include "hostChain/renderOptionTable.h"
#include "kxhost/commands.h"
#include "kxhost/renderOptions.h"

namespace kxhost {

const char kServeSynopsis[] =
    "serve IMAGE [--cache DIR] [--bind ADDR] [--port N] [--threads N] [--queue N] [render options for the whole image]";

namespace {

// Each decode holds a GDAL dataset handle and a tile's buffers; past 64
// more threads only wait on the disk.
constexpr uint64_t kMostThreads = 64;
// A waiting request holds a connection thread; 1024 of them is far past
// what a viewer opens and still cheap.
constexpr uint64_t kMostWaiting = 1024;
// Requests waiting per decoding thread unless --queue says otherwise.
constexpr uint32_t kWaitingPerThread = 4;

bool parseCount(const CommandLine& line, const char* name, uint64_t low, uint64_t high, uint32_t* value,
                std::string* error) {
  uint64_t parsed = 0;
  if (!line.has(name)) return true;
  if (!ParseUnsigned(line.value(name, ""), low, high, &parsed))
    return Refuse(error, std::string("--") + name + " must be a number from " + std::to_string(low) + " to " +
                             std::to_string(high));
  *value = static_cast<uint32_t>(parsed);
  return true;
}

}  // namespace

bool ParseServeOptions(const CommandLine& line, ServeSettings* settings, std::string* error) {
  // Scene and output options first, with a reason of their own.
  for (const std::string& name : SceneOptionNames()) {
    if (line.has(name)) return Refuse(error, "serve offers the whole image in tiles; --" + name + " does not apply");
  }
  if (!CheckOptions(line, WholeImageOptionNames({"bind", "port", "queue"}), error) ||
      !ExpectOperands(line, 1, kServeSynopsis, error))
    return false;
  ServeSettings parsed;
  parsed.render.image = line.operands[0];
  for (const RenderOptionRow& row : RenderOptionRows()) {
    if (std::string(row.name) == "threads") continue;  // the server's own bound, below
    if (line.has(row.name) && !row.parse(line.value(row.name, ""), &parsed.render, error)) return false;
  }
  if (!CheckRenderSettings(parsed.render, error)) return false;

  // Where to listen and how much to take at once.
  parsed.threads = static_cast<uint32_t>(std::clamp<uint64_t>(std::thread::hardware_concurrency(), 1, kMostThreads));
  if (!parseCount(line, "threads", 1, kMostThreads, &parsed.threads, error)) return false;
  parsed.queue = parsed.threads * kWaitingPerThread;
  if (!parseCount(line, "queue", 1, kMostWaiting, &parsed.queue, error) ||
      !parseCount(line, "port", 0, 65535, &parsed.port, error))
    return false;
  if (line.has("bind")) parsed.bind = line.value("bind", "");
  if (parsed.bind.empty()) return Refuse(error, "--bind must name an address, for example 127.0.0.1 or 0.0.0.0");
  // One decode per tile: the render decodes of each tile on one thread.
  parsed.render.threads = 1;
  *settings = std::move(parsed);
  return true;
}

}  // namespace kxhost
