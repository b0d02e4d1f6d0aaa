#include "app/fulltext/text_index.h"

#include <algorithm>

namespace lexidor::fulltext {

void PutNumber(std::string& out, uint32_t value) {
  char buffer[5];
  size_t n = 0;
  for (; value >= 0x80; value >>= 7) buffer[n++] = static_cast<char>(0x80 | (value & 0x7F));
  buffer[n++] = static_cast<char>(value);
  out.append(buffer, n);
}

uint32_t GetNumber(const std::string& in, size_t& pos) {
  uint32_t value = 0;
  for (int shift = 0; pos < in.size(); shift += 7) {
    const unsigned char b = static_cast<unsigned char>(in[pos++]);
    value |= static_cast<uint32_t>(b & 0x7F) << shift;
    if (!(b & 0x80)) break;
  }
  return value;
}

uint32_t TTextIndex::AddPage(std::string path) {
  pages_.push_back(std::move(path));
  return static_cast<uint32_t>(pages_.size() - 1);
}

namespace {

uint64_t WordHash(std::string_view word) {
  uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : word) h = (h ^ c) * 1099511628211ull;
  return h ^ (h >> 29);
}

}  // namespace

uint32_t TTextIndex::SurfaceId(std::string_view word) {
  const uint64_t hash = WordHash(word);
  const uint32_t check = static_cast<uint32_t>(hash >> 32);
  size_t mask = slots_.size() - 1;
  size_t i = hash & mask;
  for (; slots_[i].first; i = (i + 1) & mask) {
    if (slots_[i].second == check && surfaceText_[slots_[i].first - 1] == word) {
      return slots_[i].first - 1;
    }
  }
  const uint32_t id = static_cast<uint32_t>(surfaceText_.size());
  slots_[i] = {id + 1, check};
  surfaceText_.emplace_back(word);
  if (surfaceText_.size() * 2 > slots_.size()) {  // at most half full
    std::vector<std::pair<uint32_t, uint32_t>> old(slots_.size() * 2);
    old.swap(slots_);
    mask = slots_.size() - 1;
    for (const auto& slot : old) {
      if (!slot.first) continue;
      size_t k = WordHash(surfaceText_[slot.first - 1]) & mask;
      while (slots_[k].first) k = (k + 1) & mask;
      slots_[k] = slot;
    }
  }
  std::string stem = stemmer_.Stem(word);
  auto s = stemIds_.find(stem);
  uint32_t stemId;
  if (s == stemIds_.end()) {
    stemId = static_cast<uint32_t>(stems_.size());
    stemIds_.emplace(stem, stemId);
    stems_.emplace_back();
    stems_.back().text = std::move(stem);
  } else {
    stemId = s->second;
  }
  stems_[stemId].surfaces.push_back(id);
  surfaceStem_.push_back(stemId);
  return id;
}

void TTextIndex::Collect(const std::string& words, uint32_t* position) {
  size_t start = 0;
  while (start < words.size()) {
    const size_t end = words.find(' ', start);
    const size_t stop = end == std::string::npos ? words.size() : end;
    if (stop > start) {
      const uint32_t surface = SurfaceId(std::string_view(words).substr(start, stop - start));
      hits_.push_back(uint64_t{surfaceStem_[surface]} << 32 | (*position)++);
    }
    start = stop + 1;
  }
}

void TTextIndex::AddSection(uint32_t page, const TextSection& section) {
  const uint32_t id = static_cast<uint32_t>(sections_.size());
  hits_.clear();
  uint32_t position = 0;
  Collect(section.titleWords, &position);
  const uint32_t titleLength = position;
  ++position;
  Collect(section.bodyWords, &position);
  const uint32_t bodyLength = position - titleLength - 1;
  sections_.push_back(
      {page, section.anchor, section.title, section.excerpt, titleLength, bodyLength});
  words_ += hits_.size();
  std::sort(hits_.begin(), hits_.end());
  for (size_t i = 0; i < hits_.size();) {
    const uint32_t stem = static_cast<uint32_t>(hits_[i] >> 32);
    size_t j = i;
    uint32_t inTitle = 0;
    while (j < hits_.size() && (hits_[j] >> 32) == stem) {
      if (static_cast<uint32_t>(hits_[j]) < titleLength) ++inTitle;
      ++j;
    }
    StemEntry& entry = stems_[stem];
    PutNumber(entry.postings, id - entry.lastSection);
    PutNumber(entry.postings, inTitle);
    PutNumber(entry.postings, static_cast<uint32_t>(j - i));
    uint32_t previous = 0;
    for (size_t k = i; k < j; ++k) {
      const uint32_t at = static_cast<uint32_t>(hits_[k]);
      PutNumber(entry.postings, at - previous);
      previous = at;
    }
    entry.lastSection = id;
    ++entry.sections;
    i = j;
  }
}

}  // namespace lexidor::fulltext
