// The threads that serve kxhost serve's connections, with a bound: a
// connection that finds every thread busy is answered 503 at once instead
// of waiting in an unbounded line.
#ifndef KXHOST_CONNECTION_POOL_H
#define KXHOST_CONNECTION_POOL_H

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kxhost {

// cpp-httplib hands every accepted connection to its task queue as a task
// that reads the connection's requests, answers them and closes it. In
// 0.11 enqueue returns nothing and the task owns the socket, so a queue
// that declined a task would leak the connection and leave its client
// hanging. This pool never declines: a task that finds no idle worker goes
// to one refusing thread, which runs it with RefusingOnThisThread() true,
// and the server's pre-routing handler answers such requests 503 with
// "Connection: close", before anything is parsed or decoded. The refusing
// thread's line is bounded by the process's open-file limit (each task
// holds one accepted socket), and a refusal costs no decode.
class ConnectionPool final : public httplib::TaskQueue {
 public:
  explicit ConnectionPool(size_t workers);
  ~ConnectionPool() override;

  void enqueue(std::function<void()> task) override;
  // Lets the workers finish the connections they hold and those handed to
  // them, then joins every thread.
  void shutdown() override;

  // Whether the calling thread is the refusing thread.
  static bool RefusingOnThisThread();

 private:
  void work();
  void refuse();

  std::mutex lock_;
  std::condition_variable taskReady_;
  std::condition_variable refusalReady_;
  std::deque<std::function<void()>> tasks_;     // guarded by lock_
  std::deque<std::function<void()>> refusals_;  // guarded by lock_
  // Guarded by lock_: workers neither running a task nor promised one in
  // tasks_; counted down when a task is handed over, up when one ends.
  size_t free_ = 0;
  bool stopping_ = false;  // guarded by lock_
  std::vector<std::thread> workers_;
  std::thread refuser_;
};

}  // namespace kxhost

#endif  // KXHOST_CONNECTION_POOL_H
