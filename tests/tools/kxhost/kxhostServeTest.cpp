// kxhost serve over loopback: its tiles are kxhost render's scenes at each
// level, repeated from the cache and revalidated by ETag; bad targets get
// 400 or 404 and the server lives on; a full server answers 503; sixteen
// clients at once get the right tiles; SIGTERM under load exits 0 and leaves
// no temporary tile file behind.
#include <arpa/inet.h>
#include <fcntl.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "kxhostTestSupport.h"

namespace kxhost::testing {
namespace {

using namespace std::chrono_literals;

// A `kxhost serve` child process, killed if a test leaves it running.
class ServeProcess {
 public:
  ~ServeProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (output_ >= 0) close(output_);
  }

  // Starts kxhost with `arguments` and reads the port from its one line.
  bool start(const std::vector<std::string>& arguments, const std::string& errorFile) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return false;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(pipeEnds[1], 1);
      const int error = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(error, 2);
      close(pipeEnds[0]);
      std::vector<char*> argv{const_cast<char*>(KXHOST_PATH)};
      for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execv(KXHOST_PATH, argv.data());
      _exit(127);
    }
    close(pipeEnds[1]);
    output_ = pipeEnds[0];
    std::string line;
    while (line.find('\n') == std::string::npos) {
      pollfd ready{output_, POLLIN, 0};
      char chunk[256];
      if (poll(&ready, 1, 30000) <= 0) return false;
      const ssize_t got = read(output_, chunk, sizeof chunk);
      if (got <= 0) return false;
      line.append(chunk, static_cast<size_t>(got));
    }
    const std::string prefix = "kxhost serve: listening on http://127.0.0.1:";
    if (line.rfind(prefix, 0) != 0) return false;
    port_ = std::stoi(line.substr(prefix.size()));
    return line.substr(prefix.size() + std::to_string(port_).size()) == "/\n";
  }

  int port() const { return port_; }

  // Sends `signal` and returns the exit status, or -1 for a death by signal.
  int stop(int signal) {
    kill(pid_, signal);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  bool alive() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  int port_ = 0;
};

struct Fetched {
  int status = 0;  // 0: no answer
  std::string body;
  std::string etag;
  std::string xCache;
};

Fetched fetch(int port, const std::string& target, const httplib::Headers& headers = {}) {
  httplib::Client client("127.0.0.1", port);
  client.set_url_encode(false);  // the target goes out exactly as written
  client.set_read_timeout(30, 0);
  const httplib::Result result = client.Get(target.c_str(), headers);
  Fetched fetched;
  if (!result) return fetched;
  fetched.status = result->status;
  fetched.body = result->body;
  fetched.etag = result->get_header_value("ETag");
  fetched.xCache = result->get_header_value("X-Cache");
  return fetched;
}

// Every tile target of the levels of a 600 x 400 image turned 90 degrees
// (400 x 600: levels 0 to 2).
std::vector<std::tuple<int, int, int>> tilesOfTurnedImage() {
  return {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {2, 0, 0}, {2, 1, 0}, {2, 0, 1}, {2, 1, 1}, {2, 0, 2}, {2, 1, 2}};
}

std::string tileTarget(const std::tuple<int, int, int>& tile, const std::string& query) {
  return "/tiles/" + std::to_string(std::get<0>(tile)) + "/" + std::to_string(std::get<1>(tile)) + "/" +
         std::to_string(std::get<2>(tile)) + ".png" + query;
}

class KxhostServe : public KxhostTest {
 protected:
  // A 4-band 600 x 400 image served with a cache and the selector; views turn it.
  void SetUp() override {
    KxhostTest::SetUp();
    image_ = sample("scene.tif", 4, "u8", "600x400");
    cache_ = path("cache");
  }
  bool startServer(ServeProcess& server, std::vector<std::string> more = {}) {
    std::vector<std::string> arguments = {"serve", image_, "--port", "0", "--cache", cache_, "--bands", "3,2,1"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return server.start(arguments, path("serve.err"));
  }
  // Files below the cache whose names end as the cache's temporary tiles do.
  size_t temporaryTiles() const {
    size_t count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(cache_))
      count += entry.path().extension() == ".tmp" ? 1 : 0;
    return count;
  }

  std::string image_;
  std::string cache_;
};

TEST_F(KxhostServe, TilesAreRendersOfTheirScenesRepeatedFromTheCacheAndRevalidated) {
  ServeProcess server;
  ASSERT_TRUE(startServer(server)) << ReadFileBytes(path("serve.err"));
  const Fetched info = fetch(server.port(), "/info.json?rotate=90");
  ASSERT_EQ(info.status, 200);
  EXPECT_NE(info.body.find("\"width\":400"), std::string::npos) << info.body;
  EXPECT_NE(info.body.find("\"maxZoom\":2"), std::string::npos) << info.body;
  EXPECT_NE(info.body.find("\"stage\":\"transposer\""), std::string::npos) << info.body;

  // Each tile of every level is render's scene of it, pixel for pixel.
  for (const auto& tile : tilesOfTurnedImage()) {
    const std::string target = tileTarget(tile, "?rotate=90");
    const Fetched first = fetch(server.port(), target);
    ASSERT_EQ(first.status, 200) << target << ": " << first.body;
    // The first tile reads the image; a later one may find its part of the
    // image already in the cache's larger tiles.
    if (std::get<0>(tile) == 0) {
      EXPECT_EQ(first.xCache, "miss");
    }
    const std::string served = path("served.png");
    std::ofstream(served, std::ios::binary) << first.body;
    const double mag = 1.0 / (1 << (2 - std::get<0>(tile)));
    const std::string scene =
        std::to_string(256 * std::get<1>(tile)) + "," + std::to_string(256 * std::get<2>(tile)) + ",256,256";
    const KxhostRun render = RunKxhost({"render", image_, "-o", path("render.png"), "--scene", scene, "--mag",
                                        std::to_string(mag), "--bands", "3,2,1", "--rotate", "90"});
    ASSERT_EQ(render.exitCode, 0) << render.err;
    const GdalPixels want = ReadWholeImage(path("render.png"));
    const GdalPixels got = ReadWholeImage(served);
    EXPECT_EQ(got.width, 256);
    EXPECT_EQ(got.height, 256);
    EXPECT_EQ(got.bands, 3);
    EXPECT_EQ(got.type, want.type);
    ExpectSameSamples(got.samples, want.samples);

    // Asked again, the cache answers the same bytes; the ETag saves the body.
    const Fetched again = fetch(server.port(), target);
    EXPECT_EQ(again.xCache, "hit") << target;
    EXPECT_EQ(again.body, first.body) << target;
    EXPECT_EQ(again.etag, first.etag);
    const Fetched revalidated = fetch(server.port(), target, {{"If-None-Match", first.etag}});
    EXPECT_EQ(revalidated.status, 304);
    EXPECT_TRUE(revalidated.body.empty());
  }
  // Another view of the same tile is another tile.
  EXPECT_NE(fetch(server.port(), "/tiles/2/0/0.png").etag, fetch(server.port(), "/tiles/2/0/0.png?rotate=90").etag);
  EXPECT_EQ(server.stop(SIGINT), 0);
}

TEST_F(KxhostServe, BadTargetsGet400Or404AndTheServerLivesOn) {
  ServeProcess server;
  ASSERT_TRUE(startServer(server)) << ReadFileBytes(path("serve.err"));
  const std::vector<std::pair<std::string, int>> cases = {
      {"/tiles/-1/0/0.png", 400},
      {"/tiles/99999999999/0/0.png", 400},
      {"/tiles/a/0/0.png", 400},
      {"/tiles/1/0%2F0.png", 400},
      {"/tiles/../info.json", 400},
      {"/leaflet/../../etc/passwd", 400},
      {"/tiles/1/0/0.png?size=1", 400},
      {"/tiles/1/0/0.png?bands=9", 400},  // no band 9: the view makes no chain
      {"/tiles/1/0/0.png?" + std::string(3000, 'a'), 400},
      {"/tiles/3/0/0.png", 404},
      {"/tiles/2/3/0.png", 404},
      {"/tiles/2/0/2.png", 404},
      {"/nothing", 404},
  };
  for (const auto& [target, status] : cases) EXPECT_EQ(fetch(server.port(), target).status, status) << target;
  httplib::Client client("127.0.0.1", server.port());
  const httplib::Result posted = client.Post("/tiles/0/0/0.png", "x", "text/plain");
  ASSERT_TRUE(posted);
  EXPECT_EQ(posted->status, 405);
  EXPECT_TRUE(server.alive());
  EXPECT_EQ(fetch(server.port(), "/tiles/0/0/0.png").status, 200);

  // With every worker held by an idle connection, the next request gets 503.
  ServeProcess small;
  ASSERT_TRUE(small.start({"serve", image_, "--port", "0", "--threads", "1", "--queue", "1"}, path("small.err")));
  std::vector<int> idle;
  for (int i = 0; i < 2; ++i) {
    idle.push_back(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(small.port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(idle.back(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  std::this_thread::sleep_for(200ms);  // the workers take the idle connections
  EXPECT_EQ(fetch(small.port(), "/info.json").status, 503);
  for (const int socket : idle) close(socket);
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(fetch(small.port(), "/info.json").status, 200);
  EXPECT_EQ(small.stop(SIGTERM), 0);

  // Options that pick a scene or an output are refused before anything opens.
  ExpectOneErrorLine({"serve", image_, "--scene", "0,0,10,10"}, "--scene does not apply");
  ExpectOneErrorLine({"serve", image_, "--threads", "65"}, "--threads must be a number from 1 to 64");
}

TEST_F(KxhostServe, SixteenClientsAtOnceGetTheRightTiles) {
  ServeProcess server;
  ASSERT_TRUE(startServer(server, {"--threads", "4", "--queue", "32"})) << ReadFileBytes(path("serve.err"));
  // The tiles fetched one by one, then by sixteen clients for three seconds.
  std::map<std::string, std::string> expected;
  for (const auto& tile : tilesOfTurnedImage()) {
    // The second view as a browser's form writes it, commas escaped.
    for (const std::string query : {"?rotate=90", "?rotate=90&bands=1%2C2%2C3"}) {
      const Fetched fetched = fetch(server.port(), tileTarget(tile, query));
      ASSERT_EQ(fetched.status, 200);
      expected[tileTarget(tile, query)] = fetched.body;
    }
  }
  std::atomic<int> failures{0};
  std::atomic<int> answered{0};
  const auto until = std::chrono::steady_clock::now() + 3s;
  std::vector<std::thread> clients;
  for (int c = 0; c < 16; ++c) {
    clients.emplace_back([&, c] {
      auto next = expected.begin();
      std::advance(next, c % expected.size());
      while (std::chrono::steady_clock::now() < until) {
        const Fetched fetched = fetch(server.port(), next->first);
        if (fetched.status != 200 || fetched.body != next->second) ++failures;
        ++answered;
        if (++next == expected.end()) next = expected.begin();
      }
    });
  }
  for (std::thread& client : clients) client.join();
  EXPECT_EQ(failures.load(), 0) << "of " << answered.load();
  EXPECT_GT(answered.load(), 16);
  EXPECT_EQ(server.stop(SIGTERM), 0);
}

TEST_F(KxhostServe, SigtermUnderLoadExitsZeroAndLeavesNoTemporaryTiles) {
  // A cache tile as small as a served one, so that every request writes.
  ServeProcess server;
  ASSERT_TRUE(startServer(server, {"--threads", "4", "--cache-tile", "64x64"})) << ReadFileBytes(path("serve.err"));
  std::atomic<bool> stopping{false};
  std::atomic<int> served{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < 8; ++c) {
    clients.emplace_back([&, c] {
      // Each client its own views, so that the tiles are new.
      for (uint32_t round = 0; !stopping; ++round) {
        const std::string bands = std::to_string(1 + (c + round) % 4) + "," + std::to_string(1 + c % 4);
        for (const auto& tile : tilesOfTurnedImage()) {
          if (fetch(server.port(), tileTarget(tile, "?bands=" + bands)).status == 200) ++served;
        }
      }
    });
  }
  std::this_thread::sleep_for(700ms);
  const int exitCode = server.stop(SIGTERM);
  stopping = true;
  for (std::thread& client : clients) client.join();
  EXPECT_EQ(exitCode, 0) << ReadFileBytes(path("serve.err"));
  EXPECT_GT(served.load(), 0);
  EXPECT_EQ(temporaryTiles(), 0u);
}

}  // namespace
}  // namespace kxhost::testing
