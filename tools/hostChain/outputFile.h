// Files kxhost writes and reads as a careful host does: an output appears
// whole or not at all, never over the image it was made from, and an input
// is opened only when it is a regular file.
#ifndef KX_HOST_CHAIN_OUTPUT_FILE_H
#define KX_HOST_CHAIN_OUTPUT_FILE_H

#include <string>

namespace kxhost {

// An output written under a temporary name beside its final one and given
// the final name only once complete, so a failed write leaves no partial
// file and an earlier file of that name stays as it was. The temporary name
// is this object's own: writers of one path, in one process or in several,
// never share it. The temporary file goes with this object unless committed.
class OutputFile {
 public:
  explicit OutputFile(const std::string& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Where to write the file's contents.
  const std::string& temporaryPath() const { return temporary_; }
  // Gives the written file its final name; false with a one-line reason.
  bool commit(std::string* error);

 private:
  std::string path_;
  std::string temporary_;
  bool committed_ = false;
};

// Whether the two paths name one existing file (the same device and inode,
// links followed), as an output naming its own input does.
bool SameExistingFile(const std::string& first, const std::string& second);

// Whether `path` can be opened as an input without waiting on it: a regular
// file, or a GDAL virtual path ("/vsi..."), which GDAL opens itself. False
// with a one-line reason for a FIFO, a device, a directory or a socket.
bool IsRegularInput(const std::string& path, std::string* error);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_OUTPUT_FILE_H
