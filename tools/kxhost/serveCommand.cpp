// kxhost serve: the image's tiles, its description and a viewer page over
// HTTP, through cpp-httplib, until SIGINT or SIGTERM.
#include <httplib.h>
#include <kxViewerPage.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "kxhost/commands.h"
#include "kxhost/connectionPool.h"
#include "kxhost/hostModule.h"
#include "kxhost/serveOptions.h"
#include "tileServer/chainShelf.h"
#include "tileServer/tileService.h"

namespace kxhost {

namespace {

// Idle connections are closed after this many seconds: a browser reuses a
// connection within it, and an idle one holds a worker until then.
constexpr time_t kKeepAliveSeconds = 2;
// Requests carry no body; one larger than this is refused unread.
constexpr size_t kMostBodyBytes = 64 * 1024;
// How often the signal thread looks whether the server stopped by itself.
constexpr long kSignalPollNanoseconds = 100 * 1000 * 1000;

// The service behind every request; the pool's refusing thread answers 503.
void routeEverything(httplib::Server& server, TileService& service) {
  server.set_pre_routing_handler([&service](const httplib::Request& request, httplib::Response& response) {
    if (ConnectionPool::RefusingOnThisThread()) {
      response.status = 503;
      response.set_header("Connection", "close");
      response.set_header("Retry-After", "1");
      response.set_content("every worker is busy; try again\n", "text/plain; charset=utf-8");
      return httplib::Server::HandlerResponse::Handled;
    }
    // The raw target: httplib's path is already percent-decoded.
    const ServiceAnswer answer =
        service.answer(request.method, request.target, request.get_header_value("If-None-Match"));
    response.status = answer.status;
    for (const auto& header : answer.headers) response.set_header(header.first, header.second);
    if (!answer.contentType.empty()) response.set_content(answer.body, answer.contentType);
    return httplib::Server::HandlerResponse::Handled;
  });
}

// Binds to the settings' address and port; the port bound, or -1.
int bindServer(httplib::Server& server, const ServeSettings& settings) {
  if (settings.port == 0) return server.bind_to_any_port(settings.bind);
  return server.bind_to_port(settings.bind, static_cast<int>(settings.port)) ? static_cast<int>(settings.port) : -1;
}

std::string urlHost(const std::string& address) {
  return address.find(':') == std::string::npos ? address : "[" + address + "]";
}

}  // namespace

int ServeCommand(const HostContext& context) {
  ServeSettings settings;
  std::string error;
  if (!ParseServeOptions(context.line, &settings, &error)) return ReportFailure(error);

  // The server's own chain, built before listening, so that a bad image or
  // option fails at once rather than at the first request.
  ChainShelf shelf(settings.render, KxhostModuleSearch(context.line), context.logger, StderrLogger::kVerboseLevel);
  if (!shelf.chainFor(ViewOptions{}, &error)) return ReportFailure(error);
  ServiceOptions serviceOptions;
  serviceOptions.page = std::string_view(reinterpret_cast<const char*>(kViewerPage), kViewerPageSize);
  serviceOptions.decodeSlots = settings.threads;
  TileService service(shelf, serviceOptions);

  // SIGINT and SIGTERM are blocked here, so in every thread started after
  // this, and taken by the one thread that waits for them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  // Connections: a worker for every decode and every request allowed to
  // wait for one; past that, 503.
  httplib::Server server;
  const size_t workers = static_cast<size_t>(settings.threads) + settings.queue;
  server.new_task_queue = [workers] { return new ConnectionPool(workers); };
  server.set_keep_alive_timeout(kKeepAliveSeconds);
  // The answer's headers and body go out in separate writes; with Nagle's
  // rule the body would wait for the client's delayed acknowledgement of the
  // headers, some 40 ms a tile on a kept-alive connection.
  server.set_tcp_nodelay(true);
  server.set_payload_max_length(kMostBodyBytes);
  routeEverything(server, service);
  const int port = bindServer(server, settings);
  if (port < 0)
    return ReportFailure("cannot listen on " + settings.bind + " port " + std::to_string(settings.port) + ": " +
                         std::strerror(errno));
  std::printf("kxhost serve: listening on http://%s:%d/\n", urlHost(settings.bind).c_str(), port);
  std::fflush(stdout);

  // A signal stops accepting; listen_after_bind then lets the workers
  // finish the requests in hand (a tile being decoded is written to the
  // cache whole) and joins them before it returns.
  std::atomic<bool> stopped{false};
  std::thread signalWaiter([&] {
    const timespec poll{0, kSignalPollNanoseconds};
    while (!stopped) {
      if (sigtimedwait(&stopSignals, nullptr, &poll) > 0) {
        server.stop();
        return;
      }
    }
  });
  const bool listened = server.listen_after_bind();
  stopped = true;
  signalWaiter.join();
  shelf.clear();
  return listened ? 0 : ReportFailure("the server stopped accepting connections: " + std::string(std::strerror(errno)));
}

}  // namespace kxhost
