#include "support/kxIOFileStream.h"

#include <cstring>
#include <new>
#include <string>

#include "kelvane/kx_status.h"
#include "platform/kxFileCalls.h"
#include "platform/kxFileSystemCalls.h"

namespace Kelvane {

namespace {

std::unique_ptr<char[]> copyText(const char* text) {
  const size_t length = std::strlen(text);
  std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
  if (copy != nullptr) std::memcpy(copy.get(), text, length + 1);
  return copy;
}

// "file://" before an absolute path; backslashes become slashes throughout.
std::unique_ptr<char[]> identifierOf(const PathString& path) {
  try {
    std::string id = path.isAbsolute() ? "file://" : "";
    id += path.utf8();
    for (char& c : id) {
      if (c == '\\') c = '/';
    }
    return copyText(id.c_str());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

KxIOFileStream::~KxIOFileStream() { close(); }

uint32_t KxIOFileStream::initialize(const PathString& path, const char* mode) {
  if (path.empty() || mode == nullptr) return KX_STATUS_BAD_ARGUMENT;
  close();
  mode_.reset();
  id_.reset();
  path_ = path;
  if (path_.empty()) return KX_STATUS_OUT_OF_MEMORY;
  mode_ = copyText(mode);
  if (mode_ == nullptr) return KX_STATUS_OUT_OF_MEMORY;
  id_ = identifierOf(path_);
  if (id_ == nullptr) return KX_STATUS_OUT_OF_MEMORY;
  return KX_STATUS_SUCCESS;
}

uint32_t KxIOFileStream::open() {
  if (file_ != nullptr) return KX_STATUS_WRONG_STREAM_STATE;
  if (path_.empty() || mode_ == nullptr) return KX_STATUS_NO_PATH_OR_MODE;
  // A path that is not well-formed UTF-8 names no file.
  const char* native = path_.ansi();
  if (native == nullptr) {
    KxSetLastSystemError(KX_ERROR_INVALID_NAME);
    return KX_STATUS_FAILURE;
  }
  const bool regularRead = regularFilesOnly_ && std::strcmp(mode_.get(), "rb") == 0;
  file_ = regularRead ? KxOpenRegularFileForRead(native) : KxOpenFile(native, mode_.get());
  if (file_ == nullptr) return KX_STATUS_FAILURE;
  lastOperation_ = kNoneOrSeek;
  return KX_STATUS_SUCCESS;
}

uint32_t KxIOFileStream::close() {
  if (file_ == nullptr) return KX_STATUS_SUCCESS;
  // The handle is gone whatever the runtime reports.
  const int result = std::fclose(file_);
  file_ = nullptr;
  lastOperation_ = kNoneOrSeek;
  return result == 0 ? KX_STATUS_SUCCESS : KX_STATUS_FAILURE;
}

void KxIOFileStream::prepareTransfer(LastOperation operation) {
  if (lastOperation_ != kNoneOrSeek && lastOperation_ != operation) KxSeekFile(file_, 0, SEEK_CUR);
  lastOperation_ = operation;
}

uint32_t KxIOFileStream::read(void* destination, uint32_t count) {
  if (file_ == nullptr || (destination == nullptr && count > 0)) return 0;
  prepareTransfer(kRead);
  return static_cast<uint32_t>(std::fread(destination, 1, count, file_));
}

uint32_t KxIOFileStream::write(const void* source, uint32_t count) {
  if (file_ == nullptr || (source == nullptr && count > 0)) return 0;
  prepareTransfer(kWrite);
  return static_cast<uint32_t>(std::fwrite(source, 1, count, file_));
}

uint32_t KxIOFileStream::readRuns(const KxReadRun* runs, size_t count) {
  if (file_ == nullptr || (runs == nullptr && count > 0)) return 0;
  lastOperation_ = kNoneOrSeek;
  return static_cast<uint32_t>(KxReadRuns(file_, runs, count));
}

uint32_t KxIOFileStream::writeRuns(const KxWriteRun* runs, size_t count) {
  if (file_ == nullptr || (runs == nullptr && count > 0)) return 0;
  lastOperation_ = kNoneOrSeek;
  return static_cast<uint32_t>(KxWriteRuns(file_, runs, count));
}

bool KxIOFileStream::reserve(uint64_t bytes) { return file_ != nullptr && KxReserveFileSpace(file_, bytes); }

uint32_t KxIOFileStream::seek(int64_t offset, int origin) {
  if (file_ == nullptr) return KX_STATUS_WRONG_STREAM_STATE;
  int whence = SEEK_SET;
  switch (origin) {
    case KX_SEEK_BEGIN: whence = SEEK_SET; break;
    case KX_SEEK_CURRENT: whence = SEEK_CUR; break;
    case KX_SEEK_END: whence = SEEK_END; break;
    default: return KX_STATUS_BAD_ARGUMENT;
  }
  lastOperation_ = kNoneOrSeek;
  return KxSeekFile(file_, offset, whence) == 0 ? KX_STATUS_SUCCESS : KX_STATUS_FAILURE;
}

int64_t KxIOFileStream::tell() { return file_ == nullptr ? -1 : KxTellFile(file_); }

bool KxIOFileStream::isEOF() { return file_ == nullptr || std::feof(file_) != 0; }

uint32_t KxIOFileStream::getLastError() {
  if (file_ == nullptr) return KX_STATUS_WRONG_STREAM_STATE;
  if (std::ferror(file_) == 0) return KX_STATUS_SUCCESS;
  // An error with no number recorded is still a failure.
  const int number = KxLastSystemError();
  return number != 0 ? static_cast<uint32_t>(number) : KX_STATUS_FAILURE;
}

KxIOStreamInf* KxIOFileStream::duplicate() {
  KxIOFileStream* copy = new (std::nothrow) KxIOFileStream();
  if (copy == nullptr) return nullptr;
  if (copy->initialize(path_, mode_.get()) != KX_STATUS_SUCCESS) {
    delete copy;
    return nullptr;
  }
  return copy;
}

const char* KxIOFileStream::getID() {
  if (id_ != nullptr) return id_.get();
  return path_.empty() ? "" : path_.utf8();
}

}  // namespace Kelvane
