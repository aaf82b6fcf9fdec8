#include "kxhost/progressBar.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "kxhost/stderrLogger.h"

namespace kxhost {

namespace {
constexpr int kBarWidth = 40;
}  // namespace

ProgressBar::ProgressBar(size_t total, std::string unit) : total_(total), unit_(std::move(unit)) {}

ProgressBar::~ProgressBar() {
  std::lock_guard<std::mutex> hold(StderrLogger::outputLock());
  if (open_) std::fputc('\n', stderr);
}

void ProgressBar::update(size_t done) {
  std::lock_guard<std::mutex> hold(StderrLogger::outputLock());
  draw(done);
}

void ProgressBar::finish(size_t done) {
  std::lock_guard<std::mutex> hold(StderrLogger::outputLock());
  draw(done);
  if (open_) std::fputc('\n', stderr);
  open_ = false;
}

void ProgressBar::draw(size_t done) {
  // Reports from several threads may arrive out of order: the bar only grows.
  const int percent = total_ == 0 ? 100 : static_cast<int>(std::min(done, total_) * 100 / total_);
  if (percent <= shownPercent_) return;
  shownPercent_ = percent;
  const int filled = percent * kBarWidth / 100;
  const std::string bar = std::string(filled, '#') + std::string(kBarWidth - filled, '-');
  std::fprintf(stderr, "\r[%s] %3d%% %zu/%zu %s", bar.c_str(), percent, done, total_, unit_.c_str());
  std::fflush(stderr);
  open_ = true;
}

}  // namespace kxhost
