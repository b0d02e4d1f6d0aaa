#include "app/fulltext/aligned_bytes.h"

#include <stdlib.h>

#include <cstring>
#include <new>
#include <utility>

namespace lexidor::fulltext {

TAlignedBytes::~TAlignedBytes() { free(data_); }

TAlignedBytes::TAlignedBytes(TAlignedBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

TAlignedBytes& TAlignedBytes::operator=(TAlignedBytes&& other) noexcept {
  if (this != &other) {
    free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

void TAlignedBytes::Reserve(size_t size) {
  if (size <= capacity_) return;
  size_t room = capacity_ ? capacity_ * 2 : kDirectAlign;
  while (room < size) room *= 2;
  char* grown = static_cast<char*>(aligned_alloc(kDirectAlign, room));
  if (!grown) throw std::bad_alloc();
  if (size_) std::memcpy(grown, data_, size_);
  free(data_);
  data_ = grown;
  capacity_ = room;
}

void TAlignedBytes::append(const char* bytes, size_t n) {
  if (n == 0) return;
  Reserve(size_ + n);
  std::memcpy(data_ + size_, bytes, n);
  size_ += n;
}

void TAlignedBytes::PadToBlock() {
  const size_t padded = (size_ + kDirectAlign - 1) / kDirectAlign * kDirectAlign;
  Reserve(padded);
  std::memset(data_ + size_, 0, padded - size_);
  size_ = padded;
}

}  // namespace lexidor::fulltext
