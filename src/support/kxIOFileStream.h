// A stream over a file of the standard library's buffered file functions;
// the persistent pixel cache reads and writes its tile files through it.
#ifndef KELVANE_SUPPORT_KX_IO_FILE_STREAM_H
#define KELVANE_SUPPORT_KX_IO_FILE_STREAM_H

#include <cstdio>
#include <memory>

#include "platform/kxFileCalls.h"
#include "support/kxIOStreamInf.h"
#include "support/kxPathString.h"

namespace Kelvane {

class KxIOFileStream : public KxIOStreamInf {
 public:
  KxIOFileStream() = default;
  ~KxIOFileStream() override;
  KxIOFileStream(const KxIOFileStream&) = delete;
  KxIOFileStream& operator=(const KxIOFileStream&) = delete;

  bool isEOF() override;
  bool isOpen() override { return file_ != nullptr; }
  // Opens the file named at initialisation in the mode given there.
  uint32_t open() override;
  uint32_t close() override;
  uint32_t read(void* destination, uint32_t count) override;
  uint32_t write(const void* source, uint32_t count) override;
  uint32_t seek(int64_t offset, int origin) override;
  int64_t tell() override;
  // An unopened stream over the same path and mode.
  KxIOStreamInf* duplicate() override;
  uint32_t getLastError() override;
  const char* getID() override;

  // Names the file and the mode ("rb", "wb", ...); closes any open file
  // first. The identifier becomes "file://<path>" for an absolute path, else
  // the path, with every backslash turned into a slash.
  virtual uint32_t initialize(const PathString& path, const char* mode);

  // Transfers of several runs of memory in one go (the rows of an image),
  // past the stream's buffer; each gives the bytes moved, as read and write
  // do. reserve sets aside room for the file's first `bytes` bytes, so that
  // writing them costs the file system less; advisory.
  uint32_t readRuns(const KxReadRun* runs, size_t count);
  uint32_t writeRuns(const KxWriteRun* runs, size_t count);
  bool reserve(uint64_t bytes);

  // From the next open on, a stream opened for reading ("rb") takes only a
  // regular file named without a link in its last component: a link, a
  // directory or a special file fails to open, and opening never waits on one.
  void readRegularFilesOnly() { regularFilesOnly_ = true; }

 private:
  // The last transfer decides whether the next one in the other direction
  // must reposition first, as buffered files require.
  enum LastOperation { kNoneOrSeek = 1, kRead = 2, kWrite = 3 };
  void prepareTransfer(LastOperation operation);

  std::FILE* file_ = nullptr;  // owned; null while closed
  LastOperation lastOperation_ = kNoneOrSeek;
  bool regularFilesOnly_ = false;
  PathString path_;
  std::unique_ptr<char[]> mode_;
  std::unique_ptr<char[]> id_;
};

}  // namespace Kelvane

#endif  // KELVANE_SUPPORT_KX_IO_FILE_STREAM_H
