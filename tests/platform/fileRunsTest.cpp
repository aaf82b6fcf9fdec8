// Transfers of several runs of memory through a file's descriptor: every byte
// lands in order however the system call splits the transfer, and the file's
// buffered position stays in step with the descriptor's; reads by position
// start where asked and move no position.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "helpers/supportTestDir.h"
#include "platform/kxFileCalls.h"

namespace Kelvane {
namespace {

using Bytes = std::vector<uint8_t>;

// Bytes 0, 1, 2, ... cut into runs of 0 to 40 bytes, more runs than one
// system call takes.
constexpr size_t kRuns = 3000;
size_t runLength(size_t run) { return (run * 7) % 41; }

// Runs that cut `bytes` in pieces of runLength each.
template <typename Run, typename Byte>
std::vector<Run> cutIntoRuns(Byte* bytes) {
  std::vector<Run> runs;
  for (size_t run = 0, offset = 0; run < kRuns; offset += runLength(run), ++run)
    runs.push_back(Run{bytes + offset, runLength(run)});
  return runs;
}

// As many bytes as the runs hold, each different from its neighbours.
Bytes runBytes() {
  size_t total = 0;
  for (size_t run = 0; run < kRuns; ++run) total += runLength(run);
  Bytes bytes(total);
  for (size_t i = 0; i < total; ++i) bytes[i] = static_cast<uint8_t>(i * 13 + i / 251);
  return bytes;
}

// Bytes buffered by the stream before and after the runs keep their places:
// the buffer is emptied (a write) or given back (a read) first, and the
// stream goes on where the runs ended.
TEST(FileRuns, BufferedBytesAroundTheRunsKeepTheirPlaces) {
  SupportTestDir dir;
  const std::string path = dir / "runs.bin";
  const Bytes data = runBytes();
  std::FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::fputs("head", out);
  const std::vector<KxWriteRun> writes = cutIntoRuns<KxWriteRun>(data.data());
  EXPECT_EQ(KxWriteRuns(out, writes.data(), writes.size()), data.size());
  std::fputs("tail", out);
  ASSERT_EQ(std::fclose(out), 0);

  std::FILE* in = std::fopen(path.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  char head[5] = {};
  ASSERT_EQ(std::fread(head, 1, 4, in), 4u);  // the stream reads ahead far past these
  Bytes back(data.size(), 0);
  const std::vector<KxReadRun> reads = cutIntoRuns<KxReadRun>(back.data());
  EXPECT_EQ(KxReadRuns(in, reads.data(), reads.size()), data.size());
  char tail[5] = {};
  EXPECT_EQ(std::fread(tail, 1, 5, in), 4u);
  std::fclose(in);
  EXPECT_EQ(std::string(head), "head");
  EXPECT_EQ(back, data);
  EXPECT_EQ(std::string(tail), "tail");
}

// A read by position takes the bytes from its offset on across more runs than
// one system call takes, gives fewer when the file ends inside the runs, and
// leaves the descriptor's position where it was.
TEST(FileRuns, ReadsByPositionStartAtTheirOffsetAndStopAtTheEnd) {
  SupportTestDir dir;
  const std::string path = dir / "runs.bin";
  const Bytes data = runBytes();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
  uint64_t bytes = 0;
  const int in = KxOpenRegularFileDescriptor(path.c_str(), &bytes);
  ASSERT_GE(in, 0);
  EXPECT_EQ(bytes, data.size());
  ASSERT_EQ(lseek(in, 5, SEEK_SET), 5);
  // The runs want every byte from 100 on, and then 100 more than the file holds.
  Bytes back(data.size(), 0);
  const std::vector<KxReadRun> reads = cutIntoRuns<KxReadRun>(back.data());
  EXPECT_EQ(KxReadRunsAt(in, 100, reads.data(), reads.size()), data.size() - 100);
  EXPECT_EQ(lseek(in, 0, SEEK_CUR), 5);
  EXPECT_EQ(KxCloseDescriptor(in), 0);
  EXPECT_EQ(Bytes(back.begin(), back.end() - 100), Bytes(data.begin() + 100, data.end()));
}

extern "C" void ignoreSignal(int) {}

// A read that gets the bytes a few at a time resumes after each, and after
// signals that interrupt it while it waits: another thread fills a pipe in
// pieces of 97 bytes, a little apart in time, so that each read takes what is
// there and stops inside a run. No signals in the 32-bit flavour: its
// emulator, delivering a signal to a thread waiting in a system call, breaks
// that thread's own handle (pthread_join then reports a deadlock).
TEST(FileRuns, ReadsResumeAfterPartialTransfersAndInterruptions) {
  struct sigaction action = {};
  struct sigaction previous = {};
  action.sa_handler = ignoreSignal;  // no SA_RESTART: a waiting read fails with EINTR
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
  const Bytes data = runBytes();
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  std::FILE* in = fdopen(ends[0], "rb");
  ASSERT_NE(in, nullptr);
  [[maybe_unused]] const pthread_t reader = pthread_self();
  std::thread writer([&] {
    for (int i = 0; i < 3; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
#if !defined(__i386__)
      pthread_kill(reader, SIGUSR1);
#endif
    }
    for (size_t offset = 0; offset < data.size(); offset += 97) {
      const size_t piece = std::min<size_t>(97, data.size() - offset);
      if (write(ends[1], data.data() + offset, piece) != static_cast<ssize_t>(piece)) break;
      if (offset % (97 * 16) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    close(ends[1]);
  });
  Bytes back(data.size(), 0);
  const std::vector<KxReadRun> reads = cutIntoRuns<KxReadRun>(back.data());
  EXPECT_EQ(KxReadRuns(in, reads.data(), reads.size()), data.size());
  writer.join();
  std::fclose(in);
  sigaction(SIGUSR1, &previous, nullptr);
  EXPECT_EQ(back, data);
}

}  // namespace
}  // namespace Kelvane
