// Levelled log lines, traces of checked calls and system-error lines as the host's sink receives them.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "fakes/recordingLogger.h"
#include "support/kxLog.h"

namespace Kelvane {
namespace {

using Entries = std::vector<std::pair<uint32_t, std::string>>;

class LogLevelsAndTexts : public ::testing::Test {
 protected:
  void TearDown() override { logger_->Release(); }
  // The sink, emptied and set to `level`.
  IKxLogSink* sinkAt(uint32_t level) {
    logger_->setLevel(level);
    logger_->clear();
    return KxLogSinkOf(logger_);
  }
  Entries entries() const { return logger_->entries(); }

  Fakes::RecordingLogger* logger_ = Fakes::RecordingLogger::Create(0);
};

TEST_F(LogLevelsAndTexts, LevelledEntriesWriteOnlyWhatTheSinkLevelAdmits) {
  IKxLogSink* sink = sinkAt(6);
  logError(sink, "e %d", 1);
  logFailure(sink, "f %s", "x");
  logSummary(sink, "s %.1f", 2.5);
  logDetail(sink, "d");
  logAtLevel(sink, 4, "w");
  logFailure(sink, "%s", "");
  logNullPointer(sink, "finalBuf", "kxv_geoContentBase", 71);
  EXPECT_EQ(entries(), (Entries{{2, "e 1"},
                                {3, "f x"},
                                {6, "s 2.5"},
                                {4, "w"},
                                {2, "null pointer finalBuf in file kxv_geoContentBase at line 71"}}));
  const std::string longText(10000, 'q');
  logDetail(sinkAt(7), "<%s>", longText.c_str());
  EXPECT_EQ(entries(), (Entries{{7, "<" + longText + ">"}}));
}

TEST_F(LogLevelsAndTexts, CheckedCallsAreTracedAtTheirLevelsWithTheirStatus) {
  // A library success is traced only at level 40, a failure at level 3 with its status.
  logStatus(sinkAt(39), 0, "ifile.close()", "kxv_persistantPixelCache", 848);
  EXPECT_TRUE(entries().empty());
  logStatus(sinkAt(40), 0, "ifile.close()", "kxv_persistantPixelCache", 848);
  EXPECT_EQ(entries(), (Entries{{40, "ifile.close() (file: kxv_persistantPixelCache line: 848)"}}));
  logStatus(sinkAt(3), 145012, "ifile.initialize( tileFile, \"rb\" )", "kxv_persistantPixelCache", 830);
  EXPECT_EQ(entries(),
            (Entries{{3, "[145012] ifile.initialize( tileFile, \"rb\" ) (file: kxv_persistantPixelCache line: 830)"}}));
  logStatus(sinkAt(2), 145012, "x", "y", 1);
  EXPECT_TRUE(entries().empty());
  // A component success is traced at level 40 once the sink is at 20; a failure shows in hex.
  logResult(sinkAt(19), 0, "GetSpatialReference(&srsNative)", "kxv_geoContentBase", 80);
  EXPECT_TRUE(entries().empty());
  logResult(sinkAt(20), 1, "GetSpatialReference(&srsNative)", "kxv_geoContentBase", 80);
  EXPECT_EQ(entries(), (Entries{{40, "GetSpatialReference(&srsNative) (file: kxv_geoContentBase line: 80)"}}));
  logResult(sinkAt(3), E_FAIL, "GetSpatialReference(&srsNative)", "kxv_geoContentBase", 80);
  EXPECT_EQ(entries(),
            (Entries{{3, "[80004005] GetSpatialReference(&srsNative) (file: kxv_geoContentBase line: 80)"}}));
}

TEST_F(LogLevelsAndTexts, SystemErrorCarriesNumberAndPlatformTextWhateverTheLevel) {
  IKxLogSink* sink = sinkAt(0);
  errno = ENOENT;
  logSystemError(sink, "failed opening %s for read", "/c/t.raw");
  EXPECT_EQ(entries(), (Entries{{3, "[" + std::to_string(ENOENT) + "] failed opening /c/t.raw for read (" +
                                        std::strerror(ENOENT) + ")"}}));
  // An empty text from the caller's format writes nothing.
  logger_->clear();
  logSystemError(sink, "%s", "");
  EXPECT_TRUE(entries().empty());
}

}  // namespace
}  // namespace Kelvane
