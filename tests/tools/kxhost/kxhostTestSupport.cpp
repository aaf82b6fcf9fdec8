#include "kxhostTestSupport.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane {
namespace testing {

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Quoted for the shell, so any argument stays one word.
std::string quoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The running test's own name, usable as a file name.
std::string testName() {
  // Outside a test (in a suite's set-up) the suite names it.
  const ::testing::UnitTest* unit = ::testing::UnitTest::GetInstance();
  const ::testing::TestInfo* test = unit->current_test_info();
  std::string name = test != nullptr ? std::string(test->test_suite_name()) + "." + test->name()
                                     : std::string(unit->current_test_suite()->name());
  for (char& c : name) c = (c == '/') ? '_' : c;
  return name;
}

}  // namespace

std::string FreshTestDirectory() {
  // The process id keeps tests that ctest runs in parallel processes apart.
  const std::filesystem::path directory =
      std::filesystem::path(KX_TEST_TMPDIR) / "kxhost" / (testName() + "." + std::to_string(getpid()));
  std::filesystem::remove_all(directory);
  std::filesystem::create_directories(directory);
  return directory.string();
}

std::vector<std::string> KxhostRun::errorLines() const {
  std::vector<std::string> lines;
  std::istringstream in(err);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] != '\r') lines.push_back(line);
  }
  return lines;
}

KxhostRun RunKxhost(const std::vector<std::string>& arguments) {
  // Each run captures its output in a directory of its own.
  static int runs = 0;
  const std::filesystem::path directory = std::filesystem::path(KX_TEST_TMPDIR) / "kxhost-runs" /
                                          (testName() + "." + std::to_string(getpid()) + "." + std::to_string(++runs));
  std::filesystem::remove_all(directory);
  std::filesystem::create_directories(directory);
  std::string command = quoted(KXHOST_PATH);
  for (const std::string& argument : arguments) command += " " + quoted(argument);
  command += " >" + quoted((directory / "out").string()) + " 2>" + quoted((directory / "err").string());
  const int status = std::system(command.c_str());
  KxhostRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = readFile((directory / "out").string());
  run.err = readFile((directory / "err").string());
  return run;
}

bool ModuleServesMultibandSelector() {
  void* module = dlopen(KX_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return false;
  auto getClassObject = reinterpret_cast<KxDllGetClassObjectFn>(dlsym(module, "DllGetClassObject"));
  IClassFactory* factory = nullptr;
  const bool served =
      getClassObject != nullptr &&
      SUCCEEDED(getClassObject(CLSID_KxvMultibandSelectorImp, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
  if (factory != nullptr) factory->Release();
  return served;
}

std::vector<double> ReadWithGdal(const std::string& path, const std::vector<int>& bands, int x, int y, int windowWidth,
                                 int windowHeight, int width, int height, int overview) {
  GDALDatasetH dataset = GDALOpen(path.c_str(), GA_ReadOnly);
  EXPECT_NE(dataset, nullptr) << path;
  if (dataset == nullptr) return {};
  const size_t count = bands.size();
  std::vector<double> samples(static_cast<size_t>(width) * height * count);
  for (size_t s = 0; s < count; ++s) {
    GDALRasterBandH band = GDALGetRasterBand(dataset, bands[s]);
    if (overview >= 0) band = GDALGetOverview(band, overview);
    const CPLErr read =
        GDALRasterIO(band, GF_Read, x, y, windowWidth, windowHeight, samples.data() + s, width, height, GDT_Float64,
                     static_cast<int>(count * sizeof(double)), static_cast<int>(count * sizeof(double) * width));
    EXPECT_EQ(read, CE_None) << CPLGetLastErrorMsg();
  }
  GDALClose(dataset);
  return samples;
}

std::vector<double> ReadWholeImage(const std::string& path, int* width, int* height, int* bands) {
  GDALDatasetH dataset = GDALOpen(path.c_str(), GA_ReadOnly);
  EXPECT_NE(dataset, nullptr) << path;
  if (dataset == nullptr) return {};
  *width = GDALGetRasterXSize(dataset);
  *height = GDALGetRasterYSize(dataset);
  *bands = GDALGetRasterCount(dataset);
  GDALClose(dataset);
  std::vector<int> all;
  for (int b = 1; b <= *bands; ++b) all.push_back(b);
  return ReadWithGdal(path, all, 0, 0, *width, *height, *width, *height);
}

}  // namespace testing
}  // namespace Kelvane
