// A growing buffer of bytes whose start and room are aligned, as a file
// opened for direct writes (O_DIRECT) wants its bytes.
#pragma once

#include <cstddef>
#include <string_view>

namespace lexidor::fulltext {

// The alignment of TAlignedBytes' start and room: a page, a multiple of
// the disk's logical block on common disks (512 or 4096 bytes).
inline constexpr size_t kDirectAlign = 4096;

class TAlignedBytes {
 public:
  TAlignedBytes() = default;
  ~TAlignedBytes();
  TAlignedBytes(TAlignedBytes&& other) noexcept;
  TAlignedBytes& operator=(TAlignedBytes&& other) noexcept;
  TAlignedBytes(const TAlignedBytes&) = delete;
  TAlignedBytes& operator=(const TAlignedBytes&) = delete;

  void append(const char* bytes, size_t n);  // named as std::string's
  void Append(std::string_view bytes) { append(bytes.data(), bytes.size()); }
  // Pads with zero bytes up to the next multiple of kDirectAlign.
  void PadToBlock();
  void Cut(size_t size) { size_ = size < size_ ? size : size_; }  // keeps the room
  void Reserve(size_t size);
  char* data() { return data_; }
  const char* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  char* data_ = nullptr;
  size_t size_ = 0, capacity_ = 0;
};

}  // namespace lexidor::fulltext
