#include "app/fulltext/base_state.h"

#include <errno.h>
#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "app/fulltext/durable_file.h"
#include "app/fulltext/packed_text.h"

namespace lexidor::fulltext {

namespace {

// Changes with the form of the file and with that of the index files the
// state describes.
constexpr std::string_view kMagic = "LXTB7\n";
// A state larger than this is no state a build wrote.
constexpr size_t kLargest = 1u << 30;

void PutVar(std::string& out, uint64_t v) {
  for (; v >= 0x80; v >>= 7) out += static_cast<char>(0x80 | (v & 0x7F));
  out += static_cast<char>(v);
}
void PutText(std::string& out, std::string_view text) {
  PutVar(out, text.size());
  out += text;
}

// Bounds-checked reading: past the end or over a damaged number it fails
// for good and gives zeros and empty texts.
class Reader {
 public:
  explicit Reader(std::string_view data) : data_(data) {}
  bool ok() const { return ok_; }
  uint64_t Var() {
    uint64_t v = 0;
    for (int shift = 0; ok_; shift += 7) {
      if (pos_ >= data_.size() || shift > 63) return Fail();
      const unsigned char b = static_cast<unsigned char>(data_[pos_++]);
      v |= static_cast<uint64_t>(b & 0x7F) << shift;
      if (!(b & 0x80)) return v;
    }
    return 0;
  }
  std::string_view View() {
    const uint64_t n = Var();
    if (!ok_ || data_.size() - pos_ < n) return Fail(), std::string_view();
    const std::string_view t = data_.substr(pos_, n);
    pos_ += n;
    return t;
  }
  std::string Text() { return std::string(View()); }
  // A count of items each at least one byte long: never more than the
  // bytes left, so a damaged count cannot ask for a huge allocation.
  uint64_t Count() {
    const uint64_t n = Var();
    return n > data_.size() - pos_ ? Fail() : n;
  }
  bool AtEnd() const { return ok_ && pos_ == data_.size(); }

 private:
  uint64_t Fail() {
    ok_ = false;
    return 0;
  }
  std::string_view data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace

uint64_t AnchorsHash(std::string_view key) {
  uint64_t h = 14695981039346656037ull;  // FNV-1a, 64 bits
  for (unsigned char c : key) h = (h ^ c) * 1099511628211ull;
  return h;
}

uint32_t BaseState::Frequency(std::string_view stem) const {
  const auto it = std::lower_bound(stems.begin(), stems.end(), stem);
  return it != stems.end() && *it == stem ? frequency[it - stems.begin()] : 0;
}

std::string WriteBaseState(const std::string& file, const BaseState& state) {
  std::string body;
  PutText(body, state.generation);
  PutVar(body, state.files.size());
  for (const std::string& name : state.files) PutText(body, name);
  PutVar(body, state.bytes);
  PutText(body, state.ranges);
  PutVar(body, state.sections);
  PutVar(body, state.words);
  PutVar(body, state.length);
  PutVar(body, state.pages.size());
  for (const BasePage& page : state.pages) {
    PutText(body, page.path);
    PutVar(body, static_cast<uint64_t>(page.size));
    PutVar(body, static_cast<uint64_t>(page.mtime));
    PutVar(body, page.anchors);
    PutVar(body, page.firstSection);
    PutVar(body, page.sections);
    PutVar(body, page.words);
  }
  PutVar(body, state.stems.size());
  for (size_t i = 0; i < state.stems.size(); ++i) {
    PutText(body, state.stems[i]);
    PutVar(body, state.frequency[i]);
  }
  const uint32_t crc = libdeflate_crc32(0, body.data(), body.size());
  for (int i = 0; i < 4; ++i) body += static_cast<char>((crc >> (8 * i)) & 0xFF);
  const std::string content = std::string(kMagic) + PackText(body);

  const int fd = CreateAndWrite(file, content);
  const int reason = fd < 0 ? errno : SyncAndClose(fd);
  if (reason != 0) {
    if (fd >= 0) unlink(file.c_str());
    return "Cannot write " + file + ": " + std::strerror(reason);
  }
  return std::string();
}

bool ReadBaseState(const std::string& file, BaseState* state) {
  std::string content;
  const bool ok = ReadWholeFile(file, kLargest, &content);
  // The stems' texts stay in the body, which the state holds.
  auto text = std::make_shared<std::string>();
  std::string& body = *text;
  if (!ok || content.compare(0, kMagic.size(), kMagic) != 0 ||
      !UnpackText(std::string_view(content).substr(kMagic.size()), &body, kLargest)) {
    return false;
  }
  content = std::string();
  // The CRC-32 of what comes before it ends the body, in 4 bytes.
  if (body.size() < 4) return false;
  const size_t end = body.size() - 4;
  uint32_t crc = 0;
  for (int i = 0; i < 4; ++i) crc |= uint32_t{static_cast<unsigned char>(body[end + i])} << (8 * i);
  if (crc != libdeflate_crc32(0, body.data(), end)) return false;

  Reader in(std::string_view(body).substr(0, end));
  BaseState s;
  s.generation = in.Text();
  for (uint64_t n = in.Count(); in.ok() && n > 0; --n) s.files.push_back(in.Text());
  s.bytes = in.Var();
  s.ranges = in.Text();
  s.sections = in.Var();
  s.words = in.Var();
  s.length = in.Var();
  for (uint64_t n = in.Count(); in.ok() && n > 0; --n) {
    BasePage page;
    page.path = in.Text();
    page.size = static_cast<int64_t>(in.Var());
    page.mtime = static_cast<int64_t>(in.Var());
    page.anchors = in.Var();
    page.firstSection = static_cast<uint32_t>(in.Var());
    page.sections = static_cast<uint32_t>(in.Var());
    page.words = in.Var();
    s.pages.push_back(std::move(page));
  }
  for (uint64_t n = in.Count(); in.ok() && n > 0; --n) {
    s.stems.push_back(in.View());
    s.frequency.push_back(static_cast<uint32_t>(in.Var()));
  }
  // The generation goes into a manifest and the file names into paths.
  auto plain = [](const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           std::all_of(name.begin(), name.end(), [](char c) {
             return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.';
           });
  };
  if (!in.AtEnd() || !std::is_sorted(s.stems.begin(), s.stems.end()) || !plain(s.generation) ||
      s.generation.find('.') != std::string::npos ||
      !std::all_of(s.files.begin(), s.files.end(), plain)) {
    return false;
  }
  s.text = std::move(text);
  *state = std::move(s);
  return true;
}

}  // namespace lexidor::fulltext
