#include "kxhostTestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kxhost::testing {

namespace {

// Quoted for the shell, so any argument stays one word.
std::string quoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string FreshTestDirectory() {
  // The process id keeps tests that ctest runs in parallel processes apart.
  static int made = 0;
  const std::filesystem::path directory =
      std::filesystem::path(KX_TEST_TMPDIR) / "kxhost" / (std::to_string(getpid()) + "." + std::to_string(++made));
  std::filesystem::remove_all(directory);
  std::filesystem::create_directories(directory);
  return directory.string();
}

std::vector<std::string> KxhostRun::errorLines() const {
  std::vector<std::string> lines;
  std::istringstream in(err);
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '\r') lines.push_back(line);
  return lines;
}

KxhostRun RunKxhost(const std::vector<std::string>& arguments, const std::string& setup) {
  // Each run captures its output in a directory of its own.
  const std::filesystem::path directory = FreshTestDirectory();
  std::string command = setup + " exec " + quoted(KXHOST_PATH);
  for (const std::string& argument : arguments) command += " " + quoted(argument);
  command += " >" + quoted((directory / "out").string()) + " 2>" + quoted((directory / "err").string());
  const int status = std::system(command.c_str());
  KxhostRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadFileBytes((directory / "out").string());
  run.err = ReadFileBytes((directory / "err").string());
  return run;
}

void ExpectOneErrorLine(const std::vector<std::string>& arguments, const std::string& message) {
  const KxhostRun run = RunKxhost(arguments);
  EXPECT_NE(run.exitCode, 0) << message;
  const std::vector<std::string> lines = run.errorLines();
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_EQ(lines[0].rfind("kxhost: error: ", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find(message), std::string::npos) << lines[0];
}

std::vector<double> ReadWithGdal(const std::string& path, std::vector<int> bands, int x, int y, int windowWidth,
                                 int windowHeight, int width, int height) {
  GDALDatasetH dataset = GDALOpen(path.c_str(), GA_ReadOnly);
  EXPECT_NE(dataset, nullptr) << path;
  if (dataset == nullptr) return {};
  const int count = bands.empty() ? GDALGetRasterCount(dataset) : static_cast<int>(bands.size());
  std::vector<double> samples(static_cast<size_t>(width) * height * count);
  const int step = count * static_cast<int>(sizeof(double));
  const CPLErr read =
      GDALDatasetRasterIO(dataset, GF_Read, x, y, windowWidth, windowHeight, samples.data(), width, height, GDT_Float64,
                          count, bands.empty() ? nullptr : bands.data(), step, step * width, sizeof(double));
  EXPECT_EQ(read, CE_None) << CPLGetLastErrorMsg();
  GDALClose(dataset);
  return samples;
}

GdalPixels ReadWholeImage(const std::string& path) {
  GdalPixels image;
  GDALDatasetH dataset = GDALOpen(path.c_str(), GA_ReadOnly);
  EXPECT_NE(dataset, nullptr) << path;
  if (dataset == nullptr) return image;
  image.width = GDALGetRasterXSize(dataset);
  image.height = GDALGetRasterYSize(dataset);
  image.bands = GDALGetRasterCount(dataset);
  image.wkt = GDALGetProjectionRef(dataset);
  image.transform.resize(6);
  if (GDALGetGeoTransform(dataset, image.transform.data()) != CE_None) image.transform.clear();
  if (image.bands > 0) image.type = GDALGetRasterDataType(GDALGetRasterBand(dataset, 1));
  GDALClose(dataset);
  image.samples = ReadWithGdal(path, {}, 0, 0, image.width, image.height, image.width, image.height);
  return image;
}

void ExpectSameSamples(const std::vector<double>& got, const std::vector<double>& want) {
  ASSERT_EQ(got.size(), want.size());
  size_t mismatches = 0;
  for (size_t i = 0; i < got.size(); ++i)
    if (got[i] != want[i] && mismatches++ < 5) ADD_FAILURE() << "sample " << i << ": " << got[i] << " != " << want[i];
  EXPECT_EQ(mismatches, 0u);
}

void KxhostTest::SetUp() {
  GDALAllRegister();
  directory_ = FreshTestDirectory();
}

std::string KxhostTest::sample(const std::string& name, int bands, const std::string& type, const std::string& size) {
  const KxhostRun run =
      RunKxhost({"sample", path(name), "--bands", std::to_string(bands), "--type", type, "--size", size});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  return path(name);
}

}  // namespace kxhost::testing
