#include "kxhost/connectionPool.h"

namespace kxhost {

namespace {

thread_local bool tRefusing = false;

}  // namespace

ConnectionPool::ConnectionPool(size_t workers) : free_(workers) {
  for (size_t i = 0; i < workers; ++i) workers_.emplace_back([this] { work(); });
  refuser_ = std::thread([this] { refuse(); });
}

ConnectionPool::~ConnectionPool() { shutdown(); }

bool ConnectionPool::RefusingOnThisThread() { return tRefusing; }

void ConnectionPool::enqueue(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    // A worker that is free now takes the task as soon as it looks.
    if (free_ > 0) {
      --free_;
      tasks_.push_back(std::move(task));
      taskReady_.notify_one();
      return;
    }
    refusals_.push_back(std::move(task));
  }
  refusalReady_.notify_one();
}

void ConnectionPool::shutdown() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  taskReady_.notify_all();
  refusalReady_.notify_all();
  for (std::thread& worker : workers_) {
    if (worker.joinable()) worker.join();
  }
  if (refuser_.joinable()) refuser_.join();
}

void ConnectionPool::work() {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock<std::mutex> hold(lock_);
      taskReady_.wait(hold, [this] { return !tasks_.empty() || stopping_; });
      if (tasks_.empty()) return;  // stopping, and nothing left
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
    std::lock_guard<std::mutex> hold(lock_);
    ++free_;
  }
}

void ConnectionPool::refuse() {
  tRefusing = true;
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock<std::mutex> hold(lock_);
      refusalReady_.wait(hold, [this] { return !refusals_.empty() || stopping_; });
      if (refusals_.empty()) return;
      task = std::move(refusals_.front());
      refusals_.pop_front();
    }
    task();
  }
}

}  // namespace kxhost
