// 64-bit file offsets and inode numbers on 32-bit targets too: without them
// stat and readdir fail with EOVERFLOW on large file systems.
#define _FILE_OFFSET_BITS 64

#include "platform/kxRegistryValueFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/kxInterlocked.h"
#include "platform/kxRegistry.h"

namespace Kelvane {

const char KX_REG_VALUE_FILE_NAME[] = ".values";

namespace {

const uint8_t kMagic[4] = {'K', 'X', 'R', 'V'};
const uint32_t kVersion = 1;
// Magic, version, count and checksum: the bytes of a file without values.
const size_t kEmptyFileBytes = 16;

// Distinguishes the temporary files of concurrent writes within one process.
int32_t g_temporaryFileCounter = 0;

uint32_t Fnv1a(const uint8_t* bytes, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 16777619u;
  }
  return hash;
}

void PutWord(std::vector<uint8_t>* out, uint32_t word) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(word >> shift));
}

void PutBytes(std::vector<uint8_t>* out, const void* bytes, size_t size) {
  const uint8_t* begin = static_cast<const uint8_t*>(bytes);
  out->insert(out->end(), begin, begin + size);
}

// Reads from a byte range; every read is checked against the range's end.
class ByteReader {
 public:
  ByteReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  bool word(uint32_t* value) {
    if (size_ - position_ < 4) return false;
    *value = 0;
    for (int i = 3; i >= 0; --i) *value = (*value << 8) | bytes_[position_ + i];
    position_ += 4;
    return true;
  }

  bool bytes(size_t count, const uint8_t** start) {
    if (size_ - position_ < count) return false;
    *start = bytes_ + position_;
    position_ += count;
    return true;
  }

  bool atEnd() const { return position_ == size_; }

 private:
  const uint8_t* bytes_;
  size_t size_;
  size_t position_ = 0;
};

bool DecodeValue(ByteReader* reader, KxRegValue* value) {
  uint32_t nameLength = 0;
  const uint8_t* name = nullptr;
  uint32_t dataLength = 0;
  const uint8_t* data = nullptr;
  if (!reader->word(&nameLength) || nameLength > KX_REG_MAX_VALUE_NAME) return false;
  if (!reader->bytes(nameLength, &name) || std::memchr(name, 0, nameLength) != nullptr) return false;
  if (!reader->word(&value->type) || !reader->word(&dataLength) || dataLength > KX_REG_MAX_VALUE_BYTES) return false;
  if (!reader->bytes(dataLength, &data)) return false;
  value->name.assign(reinterpret_cast<const char*>(name), nameLength);
  value->data.assign(data, data + dataLength);
  return true;
}

bool HasValueNamed(const KxRegValueSet& values, const std::string& name) {
  for (const KxRegValue& value : values) {
    if (value.name == name) return true;
  }
  return false;
}

// Writes all bytes, resuming after partial writes and interruptions.
bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<size_t>(written);
  }
  return true;
}

// Reads exactly `size` bytes; a file that ends early is a failure.
bool ReadAll(int fd, uint8_t* bytes, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(fd, bytes + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

// Reads a whole regular file of at most the store's file limit.
int32_t ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return KxRegErrorFromErrno(errno);
  struct stat status {};
  int32_t result = KX_REG_OK;
  if (::fstat(fd, &status) != 0) {
    result = KxRegErrorFromErrno(errno);
  } else if (!S_ISREG(status.st_mode) || status.st_size < 0 ||
             static_cast<uint64_t>(status.st_size) > KX_REG_MAX_VALUE_FILE_BYTES) {
    result = KX_REG_ERROR_BADDB;
  } else {
    bytes->resize(static_cast<size_t>(status.st_size));
    if (!ReadAll(fd, bytes->data(), bytes->size())) result = KX_REG_ERROR_BADDB;
  }
  ::close(fd);
  return result;
}

}  // namespace

bool KxIsValueFileName(const std::string& fileName) {
  return fileName.compare(0, sizeof KX_REG_VALUE_FILE_NAME - 1, KX_REG_VALUE_FILE_NAME) == 0;
}

std::vector<uint8_t> KxEncodeValueSet(const KxRegValueSet& values) {
  std::vector<uint8_t> out;
  PutBytes(&out, kMagic, sizeof kMagic);
  PutWord(&out, kVersion);
  PutWord(&out, static_cast<uint32_t>(values.size()));
  for (const KxRegValue& value : values) {
    PutWord(&out, static_cast<uint32_t>(value.name.size()));
    PutBytes(&out, value.name.data(), value.name.size());
    PutWord(&out, value.type);
    PutWord(&out, static_cast<uint32_t>(value.data.size()));
    PutBytes(&out, value.data.data(), value.data.size());
  }
  PutWord(&out, Fnv1a(out.data(), out.size()));
  return out;
}

bool KxDecodeValueSet(const uint8_t* bytes, size_t size, KxRegValueSet* values) {
  if (bytes == nullptr || size < kEmptyFileBytes) return false;
  // The checksum first: nothing of a damaged file is interpreted.
  ByteReader trailer(bytes + size - 4, 4);
  uint32_t checksum = 0;
  if (!trailer.word(&checksum) || checksum != Fnv1a(bytes, size - 4)) return false;
  if (std::memcmp(bytes, kMagic, sizeof kMagic) != 0) return false;
  ByteReader reader(bytes + sizeof kMagic, size - sizeof kMagic - 4);
  uint32_t version = 0;
  uint32_t count = 0;
  if (!reader.word(&version) || version != kVersion || !reader.word(&count)) return false;
  KxRegValueSet decoded;
  for (uint32_t i = 0; i < count; ++i) {
    KxRegValue value;
    if (!DecodeValue(&reader, &value) || HasValueNamed(decoded, value.name)) return false;
    decoded.push_back(std::move(value));
  }
  if (!reader.atEnd()) return false;
  values->swap(decoded);
  return true;
}

int32_t KxReadValueFile(const std::string& keyDirectory, KxRegValueSet* values) {
  std::vector<uint8_t> bytes;
  const int32_t read = ReadFileBytes(keyDirectory + "/" + KX_REG_VALUE_FILE_NAME, &bytes);
  if (read == KX_REG_ERROR_FILE_NOT_FOUND) {
    values->clear();
    return KX_REG_OK;
  }
  if (read != KX_REG_OK) return read;
  return KxDecodeValueSet(bytes.data(), bytes.size(), values) ? KX_REG_OK : KX_REG_ERROR_BADDB;
}

int32_t KxWriteValueFile(const std::string& keyDirectory, const KxRegValueSet& values) {
  const std::vector<uint8_t> bytes = KxEncodeValueSet(values);
  // The store never writes a file that it would refuse to read back.
  if (bytes.size() > KX_REG_MAX_VALUE_FILE_BYTES) return KX_REG_ERROR_INVALID_PARAMETER;
  const std::string finalPath = keyDirectory + "/" + KX_REG_VALUE_FILE_NAME;
  const std::string temporaryPath = finalPath + ".tmp." + std::to_string(::getpid()) + "." +
                                    std::to_string(KxInterlockedIncrement(&g_temporaryFileCounter));
  const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return KxRegErrorFromErrno(errno);
  bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int error = written ? 0 : errno;
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && ::rename(temporaryPath.c_str(), finalPath.c_str()) != 0) {
    written = false;
    error = errno;
  }
  if (written) return KX_REG_OK;
  ::unlink(temporaryPath.c_str());
  return error == 0 ? KX_REG_ERROR_IO_FAILED : KxRegErrorFromErrno(error);
}

int32_t KxRegErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return KX_REG_ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOTEMPTY:
    case EEXIST: return KX_REG_ERROR_ACCESS_DENIED;
    case ENOMEM: return KX_REG_ERROR_OUTOFMEMORY;
    case ENAMETOOLONG: return KX_REG_ERROR_INVALID_PARAMETER;
    default: return KX_REG_ERROR_IO_FAILED;
  }
}

}  // namespace Kelvane
