#include "tileServer/chainShelf.h"

#include <exception>

#include "hostChain/optionValues.h"

namespace kxhost {

ChainShelf::ChainShelf(RenderSettings server, ModuleSearch search, KxHostLoggerBase* logger, uint32_t logLevel)
    : server_(std::move(server)), search_(std::move(search)), logger_(logger), logLevel_(logLevel) {}

std::shared_ptr<const ServedChain> ChainShelf::chainFor(const ViewOptions& view, std::string* error) {
  try {
    const RenderSettings settings = NarrowedSettings(server_, view);
    const std::string key = SettingsKey(settings);
    std::lock_guard<std::mutex> hold(lock_);
    // A kept chain moves to the front.
    for (auto kept = chains_.begin(); kept != chains_.end(); ++kept) {
      if (kept->first != key) continue;
      chains_.splice(chains_.begin(), chains_, kept);
      return chains_.front().second;
    }
    // A new one, in place of the least recently used when the shelf is full.
    auto served = std::make_shared<ServedChain>();
    if (!BuildServedChain(settings, search_, logger_, logLevel_, served.get(), error)) return nullptr;
    if (chains_.size() >= kMostServedChains) chains_.pop_back();
    chains_.emplace_front(key, served);
    return served;
  } catch (const std::exception&) {
    Refuse(error, "not enough memory for another chain");
    return nullptr;
  }
}

void ChainShelf::clear() {
  std::lock_guard<std::mutex> hold(lock_);
  chains_.clear();
}

}  // namespace kxhost
