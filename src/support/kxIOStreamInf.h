// The byte stream abstraction of the library: tile files and log texts are
// moved through it. Operations report through their status or byte count and
// never throw.
#ifndef KELVANE_SUPPORT_KX_IO_STREAM_INF_H
#define KELVANE_SUPPORT_KX_IO_STREAM_INF_H

#include <cstdint>

namespace Kelvane {

// Origins of `seek`.
enum KxSeekOrigin : int {
  KX_SEEK_BEGIN = 2,    // from the start
  KX_SEEK_CURRENT = 3,  // from the current position
  KX_SEEK_END = 4,      // from the end
};

class KxIOStreamInf {
 public:
  virtual ~KxIOStreamInf() = default;
  virtual bool isEOF() = 0;
  virtual bool isOpen() = 0;
  virtual uint32_t open() = 0;
  virtual uint32_t close() = 0;
  // Give the number of bytes transferred.
  virtual uint32_t read(void* destination, uint32_t count) = 0;
  virtual uint32_t write(const void* source, uint32_t count) = 0;
  virtual uint32_t seek(int64_t offset, int origin) = 0;
  // The position, or -1 when the stream cannot tell.
  virtual int64_t tell() = 0;
  // A new stream of the same kind, owned by the caller, or null.
  virtual KxIOStreamInf* duplicate() = 0;
  virtual uint32_t getLastError() = 0;
  // The stream's identifier text, owned by the stream.
  virtual const char* getID() = 0;

 protected:
  KxIOStreamInf() = default;
  KxIOStreamInf(const KxIOStreamInf&) = default;
  KxIOStreamInf& operator=(const KxIOStreamInf&) = default;
};

}  // namespace Kelvane

#endif  // KELVANE_SUPPORT_KX_IO_STREAM_INF_H
