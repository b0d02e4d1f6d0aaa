#include "app/fulltext/text_index.h"

#include <algorithm>

namespace lexidor::fulltext {

void PutNumber(std::string& out, uint32_t value) {
  while (value >= 0x80) {
    out += static_cast<char>(0x80 | (value & 0x7F));
    value >>= 7;
  }
  out += static_cast<char>(value);
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

uint32_t TTextIndex::SurfaceId(std::string_view word) {
  auto it = surfaceIds_.find(std::string(word));
  if (it != surfaceIds_.end()) return it->second;
  const uint32_t id = static_cast<uint32_t>(surfaceText_.size());
  surfaceIds_.emplace(std::string(word), id);
  surfaceText_.emplace_back(word);
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
      hits_.emplace_back(surfaceStem_[surface], (*position)++);
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
    const uint32_t stem = hits_[i].first;
    size_t j = i;
    uint32_t inTitle = 0;
    while (j < hits_.size() && hits_[j].first == stem) {
      if (hits_[j].second < titleLength) ++inTitle;
      ++j;
    }
    StemEntry& entry = stems_[stem];
    PutNumber(entry.postings, id - entry.lastSection);
    PutNumber(entry.postings, inTitle);
    PutNumber(entry.postings, static_cast<uint32_t>(j - i));
    uint32_t previous = 0;
    for (size_t k = i; k < j; ++k) {
      PutNumber(entry.postings, hits_[k].second - previous);
      previous = hits_[k].second;
    }
    entry.lastSection = id;
    ++entry.sections;
    i = j;
  }
}

}  // namespace lexidor::fulltext
