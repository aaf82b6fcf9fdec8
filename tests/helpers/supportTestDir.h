// A fresh, empty directory of one test's own under the test temporary
// directory, removed when the test ends.
#ifndef KELVANE_TESTS_HELPERS_SUPPORT_TEST_DIR_H
#define KELVANE_TESTS_HELPERS_SUPPORT_TEST_DIR_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace Kelvane {

class SupportTestDir {
 public:
  SupportTestDir() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    for (char& c : name) c = c == '/' ? '_' : c;
    path_ = std::string(KX_TEST_TMPDIR) + "/support-" + name + "-" + std::to_string(::getpid());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~SupportTestDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

}  // namespace Kelvane

#endif  // KELVANE_TESTS_HELPERS_SUPPORT_TEST_DIR_H
