// A progress bar on standard error.
#ifndef KXHOST_PROGRESS_BAR_H
#define KXHOST_PROGRESS_BAR_H

#include <cstddef>
#include <string>

namespace kxhost {

// Redraws one line of stderr ("[#####-----]  50% 8/16 tiles") whenever the
// shown percentage grows. Thread-safe: callers may report from any thread.
class ProgressBar {
 public:
  ProgressBar(size_t total, std::string unit);
  // Ends the line when the bar was drawn and not finished.
  ~ProgressBar();

  void update(size_t done);
  // Draws the final state and ends the line.
  void finish(size_t done);

 private:
  void draw(size_t done);  // caller holds the stderr lock

  const size_t total_;
  const std::string unit_;
  int shownPercent_ = -1;
  bool open_ = false;
};

}  // namespace kxhost

#endif  // KXHOST_PROGRESS_BAR_H
