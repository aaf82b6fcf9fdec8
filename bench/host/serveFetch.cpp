// The serve benchmark's load: fetches every path read from standard input
// once, over CLIENTS kept-alive loopback connections on as many threads, and
// prints "wall_ms=W hits=H" and then each request's latency in ms, one per
// line. Written in C++ over the server's own HTTP library so that the
// clients take little of the cores the server shares with them.
// Usage: serveFetch PORT CLIENTS < paths
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A tile the slowest decode may take, with every client waiting its turn.
constexpr time_t kWaitSeconds = 120;

struct Results {
  std::mutex lock;  // guards everything below
  std::vector<double> latencies;
  size_t hits = 0;
  std::string failure;
};

void fetchShare(int port, const std::vector<std::string>& paths, std::atomic<size_t>& next, Results& results) {
  httplib::Client client("127.0.0.1", port);
  client.set_keep_alive(true);
  client.set_tcp_nodelay(true);
  client.set_read_timeout(kWaitSeconds, 0);
  std::vector<double> mine;
  size_t hits = 0;
  for (size_t index = next++; index < paths.size(); index = next++) {
    const Clock::time_point start = Clock::now();
    const httplib::Result response = client.Get(paths[index].c_str());
    mine.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (!response || response->status != 200) {
      const std::lock_guard<std::mutex> guard(results.lock);
      results.failure = paths[index] + ": " + (response ? std::to_string(response->status) : "no answer");
      continue;
    }
    if (response->get_header_value("X-Cache") == "hit") ++hits;
  }
  const std::lock_guard<std::mutex> guard(results.lock);
  results.latencies.insert(results.latencies.end(), mine.begin(), mine.end());
  results.hits += hits;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: serveFetch PORT CLIENTS < paths\n");
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const int clients = std::atoi(argv[2]);
  std::vector<std::string> paths;
  for (std::string line; std::getline(std::cin, line);) {
    if (!line.empty()) paths.push_back(line);
  }
  if (port <= 0 || clients <= 0 || paths.empty()) {
    std::fprintf(stderr, "serveFetch: a port, a number of clients and paths on standard input\n");
    return 2;
  }

  std::atomic<size_t> next{0};
  Results results;
  std::vector<std::thread> threads;
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < clients; ++i) threads.emplace_back([&] { fetchShare(port, paths, next, results); });
  for (std::thread& thread : threads) thread.join();
  const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  if (!results.failure.empty()) {
    std::fprintf(stderr, "serveFetch: %s\n", results.failure.c_str());
    return 1;
  }
  std::printf("wall_ms=%.3f hits=%zu\n", wallMs, results.hits);
  for (const double latency : results.latencies) std::printf("%.3f\n", latency);
  return 0;
}
