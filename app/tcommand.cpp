#include "app/tcommand.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <thread>

namespace lexidor {

namespace {
// The byte store's first blocks; later ones grow with the store, up to the
// largest, so that a large kit's bytes lie in blocks large enough for huge
// pages (large_memory.h) and a small kit's take small pages.
constexpr size_t kBlockSize = size_t{2} << 20;
constexpr size_t kLargestBlock = size_t{64} << 20;
// From this many records on, the two halves are sorted on two threads and
// then merged: below it a thread costs more than it saves.
constexpr size_t kTwoThreadSort = 1 << 16;
}  // namespace

void TCommandList::Reserve(size_t count) {
  try {
    records_.reserve(count);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
}

std::string_view TCommandList::Store(std::string_view bytes) {
  if (bytes.empty()) return std::string_view();
  if (bytes.size() > left_) {
    const size_t grown = std::min(kLargestBlock, kBlockSize << std::min<size_t>(blocks_.size(), 5));
    size_t size = std::max(grown, bytes.size());
    blocks_.emplace_back(static_cast<char*>(LargeAllocate(size)));  // no need to zero it
    free_ = blocks_.back().get();
    left_ = size;
  }
  char* at = free_;
  std::memcpy(at, bytes.data(), bytes.size());
  free_ += bytes.size();
  left_ -= bytes.size();
  return std::string_view(at, bytes.size());
}

void TCommandList::Add(std::string_view comando, std::string_view link, std::string_view fast_link,
                       std::string_view module, std::string_view arguments) {
  // The fields of one record sit side by side, so writing it out touches
  // one stretch of memory.
  tcommand record;
  record.comando = Store(comando);
  record.link = Store(link);
  record.fast_link = Store(fast_link);
  record.Modules = Store(module);
  record.arguments = Store(arguments);
  records_.push_back(record);
}

void TCommandList::Clear() {
  records_.clear();
  records_.shrink_to_fit();
  blocks_.clear();
  free_ = nullptr;
  left_ = 0;
}

void TCommandList::Sort() {
  // The sort runs on small keys (the first sixteen bytes of the name, its
  // length and the input index) so that comparisons rarely leave the key
  // array: two names of at most sixteen bytes are ordered by their keys
  // alone (zero padding sorts a name before every longer one that starts
  // with it, and the length tells the two apart); longer names with equal
  // keys are compared in full.  The index keeps equal names in input order.
  struct Key {
    uint64_t high, low;  // the first sixteen bytes, big-endian, zero-padded
    uint32_t length;
    uint32_t index;
  };
  auto bytes = [](std::string_view name, size_t from) {
    uint64_t v = 0;
    for (size_t k = from; k < from + 8; ++k) {
      v = (v << 8) | (k < name.size() ? static_cast<unsigned char>(name[k]) : 0);
    }
    return v;
  };
  std::vector<Key, LargeAllocator<Key>> keys(records_.size());
  for (size_t i = 0; i < records_.size(); ++i) {
    std::string_view name = records_[i].comando;
    keys[i] = {bytes(name, 0), bytes(name, 8), static_cast<uint32_t>(name.size()),
               static_cast<uint32_t>(i)};
  }
  // A total order (the index decides last), so how the work is split
  // cannot change the result.
  auto less = [this](const Key& a, const Key& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    if (a.length > 16 && b.length > 16) {
      int order = records_[a.index].comando.compare(records_[b.index].comando);
      if (order != 0) return order < 0;
    } else if (a.length != b.length) {
      return a.length < b.length;
    }
    return a.index < b.index;
  };
  // The keys in their final order, then the records moved into it in
  // place, a cycle of the permutation at a time: a second array of records
  // would be as large as the list (22 MB at 274,000 commands), all of it
  // memory the kernel must first hand over.
  std::vector<Key, LargeAllocator<Key>> merged;
  std::vector<Key, LargeAllocator<Key>>* order = &keys;
  if (keys.size() < kTwoThreadSort || std::thread::hardware_concurrency() < 2) {
    std::sort(keys.begin(), keys.end(), less);
  } else {
    const auto middle = keys.begin() + static_cast<std::ptrdiff_t>(keys.size() / 2);
    std::thread first_half([&] { std::sort(keys.begin(), middle, less); });
    std::sort(middle, keys.end(), less);
    first_half.join();
    merged.resize(keys.size());
    std::merge(keys.begin(), middle, middle, keys.end(), merged.begin(), less);
    order = &merged;
  }
  // Record i takes the one at (*order)[i].index; a key whose record is in
  // place is marked done.
  constexpr uint32_t kDone = UINT32_MAX;
  std::vector<Key, LargeAllocator<Key>>& to = *order;
  for (size_t i = 0; i < to.size(); ++i) {
    if (to[i].index == kDone) continue;
    const tcommand first = records_[i];
    size_t at = i;
    for (;;) {
      const uint32_t from = to[at].index;
      to[at].index = kDone;
      if (from == i) {
        records_[at] = first;
        break;
      }
      records_[at] = records_[from];
      at = from;
    }
  }
}

void TCommandCopy::Assign(const tcommand& from) {
  const size_t total = from.comando.size() + from.link.size() + from.fast_link.size() +
                       from.Modules.size() + from.arguments.size();
  bytes_ = std::make_unique<char[]>(total ? total : 1);
  char* at = bytes_.get();
  auto copy = [&at](std::string_view field) {
    // An empty field may have no data at all, which memcpy must not be given.
    if (!field.empty()) std::memcpy(at, field.data(), field.size());
    std::string_view view(at, field.size());
    at += field.size();
    return view;
  };
  record_.comando = copy(from.comando);
  record_.link = copy(from.link);
  record_.fast_link = copy(from.fast_link);
  record_.Modules = copy(from.Modules);
  record_.arguments = copy(from.arguments);
}

}  // namespace lexidor
