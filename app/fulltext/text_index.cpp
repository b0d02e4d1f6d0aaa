#include "app/fulltext/text_index.h"

#include <sys/mman.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>
#include <new>

namespace lexidor::fulltext {

namespace {

// Words looked up ahead of the one being found: their slots are fetched
// from memory meanwhile, where one at a time would wait for each.
constexpr size_t kAhead = 8;
// The same for the stems' marks and entries once the words' stems are
// known: taking a word there costs a few instructions, and a fetch from
// memory as many as twenty words take.
constexpr size_t kStemsAhead = 24;
// The most records of a kind Expect reserves room for.
constexpr uint64_t kMostExpected = uint64_t{1} << 22;
// The sections' texts are kept in chunks of this size.
constexpr size_t kTextChunk = size_t{1} << 20;
// A log grows by chunks of a quarter of its bytes, within these bounds.
constexpr size_t kLeastChunk = 16384, kMostChunk = size_t{1} << 20;

char* PutNumberAt(char* out, uint32_t value) {
  for (; value >= 0x80; value >>= 7) *out++ = static_cast<char>(0x80 | (value & 0x7F));
  *out++ = static_cast<char>(value);
  return out;
}

// The hash of a word too long for a key: eight bytes at a time.
uint64_t LongHash(std::string_view word) {
  constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
  uint64_t h = word.size() * kMul;
  size_t at = 0;
  for (; at + 8 <= word.size(); at += 8) {
    uint64_t chunk;
    std::memcpy(&chunk, word.data() + at, 8);
    h = (h ^ chunk) * kMul;
    h ^= h >> 29;
  }
  if (at < word.size()) {
    uint64_t chunk = 0;
    for (size_t k = 0; at + k < word.size(); ++k) {
      chunk |= uint64_t{static_cast<unsigned char>(word[at + k])} << (8 * k);
    }
    h = (h ^ chunk) * kMul;
  }
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93ull;
  return h ^ (h >> 32);
}

// The hash of a key's three numbers, each mixed on its own.
uint64_t KeyHash(const unsigned char* bytes) {
  uint64_t part[3];
  std::memcpy(part, bytes, sizeof part);
  uint64_t h = part[0] * 0x9E3779B97F4A7C15ull ^ part[1] * 0xC2B2AE3D27D4EB4Full ^
               part[2] * 0x165667B19E3779F9ull;
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93ull;
  return h ^ (h >> 29);
}

constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// A mask of the low `n` bytes of a number, n at most 8 (all of it) and
// more meaning all of it too.
uint64_t LowBytes(size_t n) { return n >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * n)) - 1; }

// The hash of a stem, which has no key.
uint64_t StemHash(std::string_view stem) { return LongHash(stem); }

}  // namespace

void PutNumber(std::string& out, uint32_t value) {
  char buffer[5];
  out.append(buffer, PutNumberAt(buffer, value) - buffer);
}

TTextIndex::TTextIndex() : slots_(1024), stemSlots_(1024) {}

void TTextIndex::Expect(size_t pages, uint64_t bytes) {
  // Generous for documentation pages (a section per kilobyte of HTML or
  // less, a new word per half kilobyte or less), and bounded, so that
  // the room asked for stays far within what a large kit needs anyway.
  const size_t sections = static_cast<size_t>(std::min<uint64_t>(bytes / 512, kMostExpected));
  const size_t words = static_cast<size_t>(std::min<uint64_t>(bytes / 256, kMostExpected));
  pages_.reserve(pages);
  sections_.reserve(sections);
  stems_.reserve(words);
  seen_.reserve(words);
  surfaceText_.reserve(words);
  surfaceStem_.reserve(words);
}

uint32_t TTextIndex::AddPage(std::string path) {
  pages_.push_back(std::move(path));
  return static_cast<uint32_t>(pages_.size() - 1);
}

uint64_t TTextIndex::KeyOf(std::string_view word, Key* key) {
  *key = Key();
  if (word.size() <= kInline) {
    key->bytes[0] = static_cast<unsigned char>(word.size());
    for (size_t k = 0; k < word.size(); ++k) key->bytes[k + 1] = word[k];
    return KeyHash(key->bytes);
  }
  const uint64_t hash = LongHash(word);
  key->bytes[0] = kLong;
  const uint32_t check = static_cast<uint32_t>(hash >> 32);
  std::memcpy(key->bytes + 1, &check, sizeof check);
  return hash;
}

uint32_t TTextIndex::StemOf(std::string_view word, const Key& key, uint64_t hash) {
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (!slot.surface) return AddSurface(word, key, i);
    if (std::memcmp(slot.key.bytes, key.bytes, sizeof key.bytes) == 0 &&
        (key.bytes[0] != kLong || surfaceText_[slot.surface - 1] == word)) {
      return slot.stem;
    }
  }
}

uint32_t TTextIndex::AddSurface(std::string_view word, const Key& key, size_t at) {
  const uint32_t id = static_cast<uint32_t>(surfaceText_.size());
  surfaceText_.emplace_back(word);
  // Each distinct word is stemmed once, when first met.
  const uint32_t stemId = StemId(stemmer_.Stem(word));
  surfaceStem_.push_back(stemId);

  slots_[at] = {id + 1, stemId, key};
  if (surfaceText_.size() * 2 > slots_.size()) Grow();
  return stemId;
}

uint32_t TTextIndex::StemId(std::string stem) {
  // A slot holds the stem's hash (its low half) and id + 1: a stem is
  // compared only where the hashes agree, and the table grows without
  // reading a stem (the stems lie all over memory).
  const uint64_t hash = StemHash(stem) & 0xFFFFFFFFu;
  size_t mask = stemSlots_.size() - 1;
  size_t i = hash & mask;
  for (; stemSlots_[i]; i = (i + 1) & mask) {
    const uint64_t slot = stemSlots_[i];
    if (slot >> 32 == hash && stems_[(slot & 0xFFFFFFFFu) - 1].text == stem) {
      return static_cast<uint32_t>(slot & 0xFFFFFFFFu) - 1;
    }
  }
  const uint32_t id = static_cast<uint32_t>(stems_.size());
  stemSlots_[i] = hash << 32 | (uint64_t{id} + 1);
  stems_.emplace_back();
  stems_.back().text = std::move(stem);
  seen_.push_back({0, 0});
  if ((id >> kBucketShift) >= logs_.size()) {
    logs_.emplace_back();
    logEnds_.push_back({nullptr, nullptr});
  }
  if (stems_.size() * 2 > stemSlots_.size()) {  // at most half full
    std::vector<uint64_t> old(stemSlots_.size() * 2);
    old.swap(stemSlots_);
    mask = stemSlots_.size() - 1;
    for (uint64_t slot : old) {
      if (!slot) continue;
      size_t k = (slot >> 32) & mask;
      while (stemSlots_[k]) k = (k + 1) & mask;
      stemSlots_[k] = slot;
    }
  }
  return id;
}

void TTextIndex::Grow() {
  std::vector<Slot, TableAllocator<Slot>> old(slots_.size() * 2);
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (!slot.surface) continue;
    // A key's hash needs nothing but the slot.
    size_t k = (slot.key.bytes[0] == kLong ? LongHash(surfaceText_[slot.surface - 1])
                                           : KeyHash(slot.key.bytes)) &
               mask;
    while (slots_[k].surface) k = (k + 1) & mask;
    slots_[k] = slot;
  }
}

void TTextIndex::Cut(const std::string& words, std::vector<Token>* tokens) {
  tokens->clear();
  // A word from `start` up to `stop`, its key and hash.
  auto token = [&](size_t start, size_t stop) {
    Token& token = tokens->emplace_back();
    token.from = static_cast<uint32_t>(start);
    token.length = static_cast<uint32_t>(stop - start);
    if (kLittleEndian && token.length <= kInline && start > 0 &&
        start - 1 + sizeof(Key) <= words.size()) {
      // The key at once: the key's bytes from the blank before the word
      // on, the blank turned into the length, the bytes past the word
      // cleared.
      uint64_t part[3];
      std::memcpy(part, words.data() + start - 1, sizeof part);
      const size_t kept = token.length + 1;
      part[0] = (part[0] & LowBytes(kept) & ~uint64_t{0xFF}) | token.length;
      part[1] &= LowBytes(kept > 8 ? kept - 8 : 0);
      part[2] &= LowBytes(kept > 16 ? kept - 16 : 0);
      std::memcpy(token.key.bytes, part, sizeof part);
      token.hash = KeyHash(token.key.bytes);
    } else {
      token.hash = KeyOf(std::string_view(words.data() + start, stop - start), &token.key);
    }
  };
  // The words are the runs between blanks, found sixteen bytes at a time
  // where the text allows (a call to find each blank cost more than the
  // short word it ended).
  const char* const text = words.data();
  const size_t size = words.size();
  size_t start = 0, at = 0;
#if defined(__SSE2__)
  const __m128i blank = _mm_set1_epi8(' ');
  // Room for every word at once, counted by their blanks: grown word by
  // word, the tokens were moved several times over.
  // Each byte lane counts its blanks (a match is -1) for up to 255
  // sixteen-byte steps, then the lanes are summed.
  const __m128i zero = _mm_setzero_si128();
  __m128i sums = zero;
  while (at + 16 <= size) {
    __m128i counts = zero;
    for (size_t step = 0; step < 255 && at + 16 <= size; ++step, at += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
      counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(bytes, blank));
    }
    sums = _mm_add_epi64(sums, _mm_sad_epu8(counts, zero));
  }
  size_t blanks = static_cast<size_t>(_mm_cvtsi128_si64(sums)) +
                  static_cast<size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
  for (; at < size; ++at) blanks += text[at] == ' ';
  tokens->reserve(blanks + 1);
  at = 0;
  for (; at + 16 <= size; at += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
    for (unsigned blanks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, blank)));
         blanks; blanks &= blanks - 1) {
      const size_t stop = at + static_cast<size_t>(__builtin_ctz(blanks));
      if (stop > start) token(start, stop);
      start = stop + 1;
    }
  }
#endif
  for (; at < size; ++at) {
    if (text[at] != ' ') continue;
    if (at > start) token(start, at);
    start = at + 1;
  }
  if (size > start) token(start, size);
}

void TTextIndex::CutWords(const TextSection& section, SectionWords* out) {
  Cut(section.titleWords, &out->title);
  Cut(section.bodyWords, &out->body);
}

void TTextIndex::Collect(const std::string& words, std::vector<Token>& tokens, uint32_t section,
                         bool title) {
  const size_t n = tokens.size();
  for (size_t i = 0; i < n; ++i) {
    if (i + kAhead < n) __builtin_prefetch(&slots_[tokens[i + kAhead].hash & (slots_.size() - 1)]);
    Token& token = tokens[i];
    token.stem =
        StemOf(std::string_view(words.data() + token.from, token.length), token.key, token.hash);
  }
  for (size_t i = 0; i < n; ++i) {
    if (i + kStemsAhead < n) {
      __builtin_prefetch(&seen_[tokens[i + kStemsAhead].stem]);
      __builtin_prefetch(&stems_[tokens[i + kStemsAhead].stem].sections);
    }
    const uint32_t stem = tokens[i].stem;
    Mark& mark = seen_[stem];
    if (mark.last != section + 1) {
      held_.push_back({stem, 0, 0, 0, mark.last});
      mark.last = section + 1;
      mark.place = static_cast<uint32_t>(held_.size() - 1);
      ++stems_[stem].sections;
    }
    Held& held = held_[mark.place];
    ++held.count;
    held.inTitle += title;
    hitHeld_.push_back(mark.place);
  }
}

void TTextIndex::AddSection(uint32_t page, const TextSection& section) {
  CutWords(section, &cutWords_);
  AddSection(page, section, cutWords_);
}

void TTextIndex::AddSection(uint32_t page, const TextSection& section, SectionWords& words) {
  const uint32_t id = static_cast<uint32_t>(sections_.size());
  held_.clear();
  hitHeld_.clear();
  Collect(section.titleWords, words.title, id, true);
  const uint32_t titleLength = static_cast<uint32_t>(hitHeld_.size());
  Collect(section.bodyWords, words.body, id, false);
  const uint32_t hits = static_cast<uint32_t>(hitHeld_.size());
  sections_.push_back({page, KeepText(section.anchor), KeepText(section.title),
                       KeepText(section.excerpt), titleLength, hits - titleLength});
  words_ += hits;

  // Each stem's positions together, in order: body words stand one
  // position after the title's last.
  uint32_t start = 0;
  for (Held& held : held_) {
    held.start = start;
    start += held.count;
  }
  positions_.resize(hits);
  for (uint32_t i = 0; i < hits; ++i) {
    positions_[held_[hitHeld_[i]].start++] = i < titleLength ? i : i + 1;
  }
  // The section's postings go to the ends of their stems' logs: per stem
  // its place among the log's stems, the posting's length, the posting.
  for (const Held& held : held_) {
    const size_t most = 10 + 5 * (3 + size_t{held.count});
    char* const head = LogRoom(held.stem >> kBucketShift, most);
    char* const lengthAt = PutNumberAt(head, held.stem & (kBucketStems - 1));
    // Most postings are short: their length takes one byte, and the
    // posting is written right after it.  A longer one is written after
    // room for the longest length and moved up once its length is known.
    const bool shortOne = most - 10 < 0x80;
    char* const body = lengthAt + (shortOne ? 1 : 5);
    char* out = body;
    out = PutNumberAt(out, id - (held.previous ? held.previous - 1 : 0));
    out = PutNumberAt(out, held.inTitle);
    out = PutNumberAt(out, held.count);
    uint32_t previous = 0;
    for (uint32_t k = held.start - held.count; k < held.start; ++k) {
      out = PutNumberAt(out, positions_[k] - previous);
      previous = positions_[k];
    }
    const uint32_t length = static_cast<uint32_t>(out - body);
    char* end = out;
    if (shortOne) {
      *lengthAt = static_cast<char>(length);
    } else {
      char* const moved = PutNumberAt(lengthAt, length);
      std::memmove(moved, body, length);
      end = moved + length;
    }
    logEnds_[held.stem >> kBucketShift].at = end;
    postingBytes_ += length;
    stems_[held.stem].postingBytes += length;
  }
}

void TTextIndex::Unmap::operator()(char* bytes) const { munmap(bytes, size); }

void TArrangedPostings::Unmap::operator()(char* bytes) const {
  if (size) munmap(bytes, size);
}

std::string_view TTextIndex::KeepText(std::string_view text) {
  if (static_cast<size_t>(textEnd_ - textAt_) < text.size()) {
    const size_t size = std::max(kTextChunk, text.size());
    sectionText_.emplace_back(new char[size]);
    textAt_ = sectionText_.back().get();
    textEnd_ = textAt_ + size;
  }
  if (text.empty()) return std::string_view();
  std::memcpy(textAt_, text.data(), text.size());
  textAt_ += text.size();
  return std::string_view(textAt_ - text.size(), text.size());
}

char* TTextIndex::LogRoom(uint32_t bucket, size_t bytes) {
  LogEnd& end = logEnds_[bucket];
  if (static_cast<size_t>(end.end - end.at) >= bytes) return end.at;
  Log& log = logs_[bucket];
  if (!log.chunks.empty()) {
    LogChunk& last = log.chunks.back();
    last.used = static_cast<size_t>(end.at - last.bytes.get());
  }
  const size_t size = std::max(std::clamp(log.bytes / 4, kLeastChunk, kMostChunk), bytes);
  void* const memory =
      mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  log.chunks.push_back(
      {std::unique_ptr<char, Unmap>(static_cast<char*>(memory), Unmap{size}), 0, size});
  log.bytes += size;
  end.at = log.chunks.back().bytes.get();
  end.end = end.at + size;
  return end.at;
}

namespace {

size_t PageRound(size_t bytes, size_t page) { return (bytes + page - 1) / page * page; }

}  // namespace

TArrangedPostings TTextIndex::TakePostings() {
  TArrangedPostings out;
  out.start_.assign(stems_.size() + 1, 0);
  // The postings put together need as many bytes again as the logs hold,
  // and fresh memory is zeroed by the kernel as it is first touched (a
  // fifth of a second at 50,000 pages, while no other postings could be
  // written).  The logs' pages, written already, are moved instead, as
  // each log is taken, to the part of the postings the next log fills;
  // only what they do not cover (the first log's postings) is fresh.
  static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t mapped = PageRound(std::max<size_t>(postingBytes_, 1), page);
  void* const memory =
      mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  out.bytes_ = std::unique_ptr<char, TArrangedPostings::Unmap>(static_cast<char*>(memory),
                                                              TArrangedPostings::Unmap{mapped});
  // Small pages, not huge ones: a huge page is zeroed whole at its first
  // touch, and the logs' pages then moved over most of it had been zeroed
  // for nothing (at 50,000 pages the kernel zeroed 2.3 times as much: 0.6
  // to 1.1 s more of system time in a build).
  char* const base = out.bytes_.get();
  size_t moved = 0;  // the end of the pages written or moved in; fresh after
  // Where each stem's postings start, from the bytes counted as they were
  // logged (the counts cleared: they are taken); should a stem's count
  // have wrapped (more than 4 GB of postings), the logs are read for them
  // instead.
  size_t offset = 0;
  for (size_t k = 0; k < stems_.size(); ++k) {
    out.start_[k] = offset;
    offset += stems_[k].postingBytes;
    stems_[k].postingBytes = 0;
  }
  const bool counted = offset == postingBytes_;
  // Log by log: (unless counted) its stems' bytes and where each stem's
  // postings start, then each posting where its stem's go; the log's pages
  // then moved past what is written, or given back.
  offset = 0;
  size_t written = 0;  // the end of the postings put together so far
  size_t at[kBucketStems];
  for (uint32_t bucket = 0; bucket < logs_.size(); ++bucket) {
    Log& log = logs_[bucket];
    if (!log.chunks.empty()) {
      log.chunks.back().used =
          static_cast<size_t>(logEnds_[bucket].at - log.chunks.back().bytes.get());
    }
    size_t* const start = out.start_.data() + (size_t{bucket} << kBucketShift);
    const size_t stems =
        std::min<size_t>(kBucketStems, stems_.size() - (size_t{bucket} << kBucketShift));
    if (counted) {
      for (size_t k = 0; k < stems; ++k) at[k] = start[k];
    } else {
      std::fill(start, start + stems, 0);
      for (const LogChunk& chunk : log.chunks) {
        const std::string_view bytes(chunk.bytes.get(), chunk.used);
        for (size_t pos = 0; pos < bytes.size();) {
          const uint32_t stem = GetNumber(bytes, pos);
          const uint32_t length = GetNumber(bytes, pos);
          start[stem] += length;
          pos += length;
        }
      }
      for (size_t k = 0; k < stems; ++k) {
        const size_t bytes = start[k];
        start[k] = at[k] = offset;
        offset += bytes;
      }
    }
    for (const LogChunk& chunk : log.chunks) {
      const std::string_view bytes(chunk.bytes.get(), chunk.used);
      for (size_t pos = 0; pos < bytes.size();) {
        const uint32_t stem = GetNumber(bytes, pos);
        const uint32_t length = GetNumber(bytes, pos);
        std::memcpy(base + at[stem], bytes.data() + pos, length);
        at[stem] += length;
        pos += length;
      }
    }
    if (stems > 0) written = std::max(written, at[stems - 1]);
    // The postings of this log and those before lie below `written`
    // (their stems come first); the pages from the one holding it on
    // are written only by the logs to come.  Pages are moved for the next
    // log's postings only (the rest given back), so that no more memory
    // is held than before: a log holds about as many bytes as the next.
    moved = std::max(moved, PageRound(written, page));
    const size_t nextEnd = (size_t{bucket} + 2) << kBucketShift;
    const size_t wanted = !counted                     ? 0
                          : nextEnd < stems_.size() ? PageRound(out.start_[nextEnd], page)
                                                    : mapped;
    for (LogChunk& chunk : log.chunks) {
      const size_t size = PageRound(chunk.size, page);
      if (moved >= wanted || moved + size > mapped) break;  // given back as the log goes
      void* const to = mremap(chunk.bytes.get(), size, size, MREMAP_MAYMOVE | MREMAP_FIXED,
                              base + moved);
      if (to == MAP_FAILED) break;
      chunk.bytes.release();  // its pages are the postings' now
      moved += size;
    }
    log = Log();
    logEnds_[bucket] = {nullptr, nullptr};
  }
  out.start_.back() = postingBytes_;
  postingBytes_ = 0;
  return out;
}

}  // namespace lexidor::fulltext
