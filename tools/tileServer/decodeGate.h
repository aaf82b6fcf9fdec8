// At most N decodes at once: a request past them waits for one to finish.
#ifndef KX_TILE_SERVER_DECODE_GATE_H
#define KX_TILE_SERVER_DECODE_GATE_H

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace kxhost {

class DecodeGate {
 public:
  explicit DecodeGate(size_t slots) : free_(slots) {}

  // Holds one slot for its lifetime.
  class Pass {
   public:
    explicit Pass(DecodeGate& gate) : gate_(gate) { gate_.enter(); }
    ~Pass() { gate_.leave(); }
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;

   private:
    DecodeGate& gate_;
  };

 private:
  void enter() {
    std::unique_lock<std::mutex> hold(lock_);
    opened_.wait(hold, [this] { return free_ > 0; });
    --free_;
  }
  void leave() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      ++free_;
    }
    opened_.notify_one();
  }

  std::mutex lock_;
  std::condition_variable opened_;
  size_t free_;  // guarded by lock_
};

}  // namespace kxhost

#endif  // KX_TILE_SERVER_DECODE_GATE_H
