#include "stream/line_reader.h"

#include <algorithm>
#include <cstring>

#include "runtime/exceptions.h"

namespace lexidor {

TLineReader::TLineReader(TStream& stream, size_t block_size)
    : stream_(stream), block_size_(std::max<size_t>(block_size, 16)) {}

bool TLineReader::Next(std::string_view* line) {
  // An empty line, at once: a run of NULs or line feeds is a run of them.
  if (start_ < end_ && (buffer_[start_] == '\0' || buffer_[start_] == '\n')) {
    ++start_;
    *line = std::string_view();
    return true;
  }
  for (;;) {
    const char* begin = buffer_.data() + start_;
    const char* end = buffer_.data() + end_;
    // The next line feed is looked for once and remembered: lines that end
    // at NUL bytes before it must not each scan the rest of the block again.
    if (!feed_known_ || feed_ < start_) {
      feed_known_ = false;
      const size_t from = std::max(scanned_, start_);
      const void* feed =
          from < end_ ? std::memchr(buffer_.data() + from, '\n', end_ - from) : nullptr;
      if (feed) {
        feed_ = static_cast<size_t>(static_cast<const char*>(feed) - buffer_.data());
        feed_known_ = true;
      } else {
        scanned_ = end_;
      }
    }
    const char* stop = feed_known_ ? buffer_.data() + feed_ : end;
    if (begin != stop) {
      const void* nul = std::memchr(begin, 0, stop - begin);
      if (nul) stop = static_cast<const char*>(nul);
    }
    if (stop != end) {
      start_ = static_cast<size_t>(stop + 1 - buffer_.data());
      *line = WithoutCarriageReturns(begin, stop);
      return true;
    }
    if (!Fill()) {
      // The data has ended: what is left is the last line.
      if (start_ == end_) return false;
      begin = buffer_.data() + start_;
      end = buffer_.data() + end_;
      start_ = end_;
      *line = WithoutCarriageReturns(begin, end);
      return true;
    }
  }
}

bool TLineReader::Fill() {
  if (ended_) return false;
  const size_t unread = end_ - start_;
  if (start_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + start_, unread);
    // Fill runs only when no line feed lies ahead: everything up to end_
    // has been looked through.
    scanned_ = unread;
    start_ = 0;
    end_ = unread;
  }
  if (buffer_.size() < unread + block_size_) buffer_.resize(unread + block_size_);
  if (stream_.Eof()) {
    ended_ = true;
    return false;
  }
  const int room = static_cast<int>(std::min<size_t>(buffer_.size() - end_, 0x7fffffff));
  const int got = stream_.Read(buffer_.data() + end_, room);
  // A stream that stops delivering before its end is a read error, not a
  // reason to spin.
  if (got <= 0) throw TStreamReadException();
  end_ += static_cast<size_t>(got);
  return true;
}

std::string_view TLineReader::WithoutCarriageReturns(const char* begin, const char* end) {
  const char* cr = static_cast<const char*>(std::memchr(begin, '\r', end - begin));
  if (!cr) return std::string_view(begin, end - begin);
  // Lines from Windows end in one: no copy for that.
  if (cr == end - 1) return std::string_view(begin, cr - begin);
  scratch_.clear();
  for (const char* p = begin; p != end; ++p) {
    if (*p != '\r') scratch_.push_back(*p);
  }
  return scratch_;
}

}  // namespace lexidor
