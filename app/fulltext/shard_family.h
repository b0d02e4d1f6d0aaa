// A family of the text index's files (one kind: dictionary, postings,
// further tiers or sections), written one after the other, each of them a
// script that registers itself (shard_writer.h gives their form), and the
// key ranges of those written, which the manifest lists.
#pragma once

#include <errno.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/fulltext/durable_file.h"
#include "app/fulltext/file_syncer.h"
#include "app/fulltext/packed_text.h"
#include "app/fulltext/shard_sharing.h"
#include "app/fulltext/shard_writer.h"

namespace lexidor::fulltext {

class ShardFamily {
 public:
  ShardFamily(const std::string& folder, const std::string& generation, char kind,
              ShardResult* result, const std::string& prefix = std::string(),
              TFileSyncer* syncer = nullptr)
      : folder_(folder),
        generation_(generation),
        kind_(kind),
        result_(result),
        prefix_(prefix),
        syncer_(syncer) {}

  // The open shard's JSON object, its opening brace written: the writer
  // appends its fields, Finish closes it.  One buffer serves every shard.
  std::string& Body() { return body_; }
  bool Open() const { return open_; }
  // Starts a shard when none is open.
  void Begin(const std::string& firstKey) {
    open_ = true;
    first_ = firstKey;
    body_.assign(1, '{');
  }
  void SetLast(const std::string& key) { last_ = key; }

  // Shards are numbered from `first` on, which a family that writes on a
  // thread beside another of the same kind learns only when that one is
  // done: until Release(first), called once its shards are all packed,
  // it keeps them packed in memory.
  void Defer() { deferred_ = true; }
  void Release(size_t first) {
    deferred_ = false;
    first_number_ = first;
    for (size_t i = 0; i < held_.size(); ++i) Write(i, held_[i]);
    held_.clear();
    held_.shrink_to_fit();
  }

  // Has the shards packed and written (or kept) by whichever thread
  // `sharing` finds free, this one when none is; families that share one
  // guard their results and held shards with its WriteMutex() (not held
  // while a file is written).
  void Share(TShardSharing* sharing) { sharing_ = sharing; }

  // Writes (or keeps) the open shard: Body() holds its fields as JSON members.
  void Finish() {
    if (!open_) return;
    open_ = false;
    const size_t n = ranges_.size();
    ranges_.emplace_back(first_, last_);
    body_ += '}';
    if (!sharing_) {
      Keep(n, PackText(body_));
      return;
    }
    // The next shard's text takes as much room again, made at once.
    const size_t room = body_.size();
    sharing_->Offer([this, n, body = std::move(body_)] {
      std::string packed = PackText(body);
      std::unique_lock<std::mutex> lock(sharing_->WriteMutex());
      if (deferred_) {
        Keep(n, std::move(packed));
        return;
      }
      // Written and handed to the syncer with the lock let go: a file may
      // wait for the disk, and the other threads' files for no reason.
      if (!result_->error.empty()) return;
      lock.unlock();
      ShardResult written;
      Write(n, packed, &written);
      lock.lock();
      if (result_->error.empty()) result_->error = written.error;
      result_->files += written.files;
      result_->bytes += written.bytes;
    });
    body_ = std::string();
    body_.reserve(room);
  }

  // A file: generation, kind and `plain` fields in the open, then `packed`
  // (its JSON object packed) as "z".
  static std::string File(const std::string& generation, char kind, const std::string& plain,
                          const std::string& packed) {
    static constexpr std::string_view kHead = "(self.lexidorText=self.lexidorText||[]).push({g:\"";
    static constexpr std::string_view kEnd = "\"});\n";
    std::string file;
    file.reserve(kHead.size() + generation.size() + plain.size() + packed.size() + 32);
    file += kHead;
    file += generation;
    file += "\",k:\"";
    file += kind;
    file += '"';
    file += plain;
    file += ",z:\"";
    file += packed;
    file += kEnd;
    return file;
  }

  const std::vector<std::pair<std::string, std::string>>& Ranges() const { return ranges_; }

  // The names of the family's files, numbered from `first` on (as Release
  // numbers a deferred family's), and the bytes its held files will take
  // once written: what a deferred family's files will be, known before
  // they are written.
  void AppendNames(size_t first, std::vector<std::string>* names) const {
    for (size_t n = 0; n < ranges_.size(); ++n) {
      names->push_back(prefix_ + kind_ + std::to_string(first + n) + ".js");
    }
  }
  uint64_t HeldBytes(size_t first) const {
    uint64_t bytes = 0;
    for (size_t n = 0; n < held_.size(); ++n) {
      const std::string number = std::to_string(first + n);
      bytes += File(generation_, kind_, ",n:" + number, std::string()).size() + held_[n].size();
    }
    return bytes;
  }

  // With a `syncer`, the file is handed to it once written, and a failure
  // to sync it is its to tell.
  static void WriteFile(const std::string& folder, const std::string& name,
                        const std::string& content, ShardResult* result,
                        TFileSyncer* syncer = nullptr) {
    if (!result->error.empty()) return;
    const std::string path = folder + "/" + name;
    const int fd = CreateAndWrite(path, content);
    // The first failure's reason is the one to give: that of the open, a
    // write or the sync, or else that of the close.
    const int reason = fd < 0 ? errno : syncer ? 0 : SyncAndClose(fd);
    if (reason != 0) {
      result->error = "Cannot write " + path + ": " + std::strerror(reason);
      return;
    }
    if (syncer) syncer->Add(fd, path);
    ++result->files;
    result->bytes += content.size();
  }

 private:
  // Shard n packed: written, or held until Release.
  void Keep(size_t n, std::string packed) {
    if (!deferred_) {
      Write(n, packed);
      return;
    }
    if (held_.size() <= n) held_.resize(n + 1);
    held_[n] = std::move(packed);
  }

  void Write(size_t n, const std::string& packed, ShardResult* result = nullptr) {
    const std::string number = std::to_string(first_number_ + n);
    WriteFile(folder_, prefix_ + kind_ + number + ".js",
              File(generation_, kind_, ",n:" + number, packed), result ? result : result_,
              syncer_);
  }

  std::string folder_, generation_;
  char kind_;
  ShardResult* result_;
  std::string prefix_;
  TFileSyncer* syncer_;
  bool open_ = false;
  std::string first_, last_, body_;
  std::vector<std::pair<std::string, std::string>> ranges_;
  bool deferred_ = false;
  size_t first_number_ = 0;
  std::vector<std::string> held_;  // packed shards kept until Release
  TShardSharing* sharing_ = nullptr;
};

// Appends "name":[first, last, ...]: the key ranges of the files of
// `families`, in order, as the manifest gives them.
void AppendRanges(std::string& out, const char* name,
                  std::initializer_list<const ShardFamily*> families);

// Appends "s":[...]: each sections file's count of sections, which finds a
// section's file.
void AppendSectionCounts(std::string& out, const ShardFamily& family);

}  // namespace lexidor::fulltext
