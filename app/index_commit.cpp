#include "app/index_commit.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "app/new_file.h"
#include "stream/file_system.h"

namespace lexidor {

namespace {

const char kJournalName[] = ".lexidor-commit";
const char kGenerationPrefix[] = "lexidor-index-";

// What stood at a target before its rename.
enum Before { kAbsent = 0, kBackedUp = 1, kOther = 2 };

}  // namespace

THoldSignals::THoldSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, &old_);
}

THoldSignals::~THoldSignals() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }

namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out.empty() ? "-" : out;
}

bool Unhex(const std::string& text, std::string* out) {
  out->clear();
  if (text == "-") return true;
  if (text.size() % 2) return false;
  auto digit = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  for (size_t i = 0; i < text.size(); i += 2) {
    int hi = digit(text[i]), lo = digit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<char>(hi * 16 + lo));
  }
  return true;
}

String CannotWrite(const std::string& path, int error) {
  return u"Cannot write " + FromLatin1(path) + u": " + FromUtf8(std::strerror(error));
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

}  // namespace

// --- TGeneration ---------------------------------------------------------------

TGeneration::~TGeneration() {
  files_.clear();  // (each removes itself unless kept)
  if (!kept_) RemoveTree(path_);
  UnregisterFolder(slot_);
}

int TGeneration::Create(const std::string& modulesDir) {
  for (int tries = 0; tries < 8; ++tries) {
    name_ = kGenerationPrefix + std::to_string(getpid()) + "-" + RandomToken();
    path_ = modulesDir + "/" + name_;
    slot_ = RegisterFolder(path_);
    if (mkdir(path_.c_str(), 0755) == 0) {
      kept_ = false;
      return 0;
    }
    const int error = errno;
    UnregisterFolder(slot_);
    slot_ = -1;
    if (error != EEXIST) return error;
  }
  return EEXIST;
}

TNewFile& TGeneration::NewFile() {
  files_.push_back(std::make_unique<TNewFile>());
  return *files_.back();
}

void TGeneration::Keep() {
  kept_ = true;
  for (auto& file : files_) file->Keep();
  UnregisterFolder(slot_);
  slot_ = -1;
}

// --- TIndexCommit --------------------------------------------------------------

struct TIndexCommit::Entry {
  TAtomicFile* file = nullptr;
  Before before = kAbsent;
  TNewFile backup;  // removed when the commit ends, whichever way
};

TIndexCommit::TIndexCommit(std::string htmlDir) : htmlDir_(std::move(htmlDir)) {}
TIndexCommit::~TIndexCommit() = default;

void TIndexCommit::Add(std::unique_ptr<TAtomicFile> file) { files_.push_back(std::move(file)); }

void TIndexCommit::SetCommitPoint(std::unique_ptr<TAtomicFile> file) {
  commitPoint_ = std::move(file);
}

void TIndexCommit::AddInPlace(std::string path) { inPlace_.push_back(std::move(path)); }

std::vector<std::string> TIndexCommit::Files() const {
  std::vector<std::string> files = inPlace_;
  for (const auto& file : files_) files.push_back(file->File());
  if (commitPoint_) files.push_back(commitPoint_->File());
  return files;
}

String TIndexCommit::Undo(size_t renamed, const String& error) {
  bool undone = true;
  for (size_t i = renamed; i-- > 0;) {
    Entry& e = *entries_[i];
    const std::string& target = e.file->File();
    if (e.before == kBackedUp) {
      if (std::rename(e.backup.Path().c_str(), target.c_str()) == 0) {
        e.backup.Release();
      } else {
        undone = false;
      }
    } else if (e.before == kAbsent) {
      undone = unlink(target.c_str()) == 0 && undone;
    }
  }
  std::set<std::string> dirs;
  for (const auto& e : entries_) dirs.insert(DirectoryOf(e->file->File()));
  for (const std::string& dir : dirs) SyncDirectory(dir);
  if (!undone) {
    // The journal stays, with the files it names: the next build finishes
    // the undoing.
    for (auto& e : entries_) {
      e->backup.Release();
      e->file->KeepTemporary();
    }
    return error + u" (the old index is put back by the next build)";
  }
  unlink((htmlDir_ + "/" + kJournalName).c_str());
  return error;
}

String TIndexCommit::Apply() {
  THoldSignals hold;
  std::vector<TAtomicFile*> order;
  for (auto& file : files_) order.push_back(file.get());
  if (commitPoint_) order.push_back(commitPoint_.get());
  entries_.clear();
  std::set<std::string> dirs;
  std::string journal = "lexidor-commit " + std::to_string(getpid()) + "\n";
  for (TAtomicFile* file : order) {
    if (!file->Finish()) return file->Error();
    entries_.push_back(std::make_unique<Entry>());
    Entry& e = *entries_.back();
    e.file = file;
    if (file->WritesInPlace()) {
      e.before = kOther;
      continue;
    }
    const std::string& target = file->File();
    dirs.insert(DirectoryOf(target));
    struct stat st;
    if (lstat(target.c_str(), &st) != 0) {
      e.before = kAbsent;
    } else if (!S_ISREG(st.st_mode)) {
      e.before = kOther;
    } else {
      // A second name for the old file: it costs nothing and puts it back
      // with one rename.  Where links cannot be made, a copy.
      e.before = kBackedUp;
      const std::string backup = DirectoryOf(target) + "/" + TemporaryPrefix() + "old";
      e.backup.Adopt(backup);
      if (link(target.c_str(), backup.c_str()) != 0) {
        e.backup.Release();
        int error = e.backup.Create(backup);
        if (!error) error = CopyFileInto(target, e.backup);
        if (!error) error = e.backup.Finish();
        if (error) {
          file->Fail(error);
          return file->Error();
        }
      }
    }
    journal += Hex(DirectoryOf(target)) + " " + Hex(NameOf(target)) + " " +
               Hex(NameOf(file->TempPath())) + " " + std::to_string(e.before) + " " +
               Hex(e.before == kBackedUp ? NameOf(e.backup.Path()) : std::string()) + "\n";
  }
  // The journal, complete and synced with the folders that hold the new
  // files and the backups, before anything is renamed.
  for (const std::string& dir : dirs) {
    if (int error = SyncDirectory(dir)) return CannotWrite(dir, error);
  }
  const std::string journalPath = htmlDir_ + "/" + kJournalName;
  TAtomicFile journalFile(FromLatin1(journalPath));
  if (!journalFile.Open() || !journalFile.Write(journal) || journalFile.Rename() != 0) {
    return journalFile.Error();
  }
  if (int error = SyncDirectory(htmlDir_)) {
    unlink(journalPath.c_str());
    return CannotWrite(htmlDir_, error);
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i]->file->Rename() != 0) return Undo(i, entries_[i]->file->Error());
  }
  for (const std::string& dir : dirs) {
    if (int error = SyncDirectory(dir)) return Undo(entries_.size(), CannotWrite(dir, error));
  }
  // Should the journal stay, the next build finds every file renamed and
  // only finishes the commit.
  unlink(journalPath.c_str());
  SyncDirectory(htmlDir_);
  return String();
}

// --- Recovery ------------------------------------------------------------------

namespace {

enum Recovery { kNotOurs, kUndone, kCompleted };

// Undoes the journal's renames, or finishes a commit whose renames are all
// done.  kNotOurs when the journal is not one this program wrote or belongs
// to a build that still runs.
Recovery UndoJournal(const std::string& htmlDir, const std::string& journalPath) {
  struct stat st;
  if (lstat(journalPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > (1 << 20)) {
    return kNotOurs;
  }
  // A journal of another user's build may only name the kit's own folders.
  const bool foreign = st.st_uid != geteuid();
  FILE* in = std::fopen(journalPath.c_str(), "rbe");
  if (!in) return kNotOurs;
  std::vector<std::string> lines;
  char buffer[4096];
  std::string line;
  while (std::fgets(buffer, sizeof buffer, in)) {
    line += buffer;
    if (!line.empty() && line.back() == '\n') {
      line.pop_back();
      lines.push_back(line);
      line.clear();
    }
  }
  std::fclose(in);
  unsigned long pid = 0;
  if (lines.empty() || std::sscanf(lines[0].c_str(), "lexidor-commit %lu", &pid) != 1)
    return kNotOurs;
  if (static_cast<pid_t>(pid) != getpid() && ProcessAlive(static_cast<pid_t>(pid))) return kNotOurs;
  struct Undo {
    std::string dir, target, temp, backup;
    int before;
  };
  std::vector<Undo> undos;
  const std::string modulesDir = htmlDir + "/Modules";
  auto plain = [](const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
  };
  for (size_t i = 1; i < lines.size(); ++i) {
    char f[5][4100];
    int before = 0;
    if (std::sscanf(lines[i].c_str(), "%4099s %4099s %4099s %d %4099s", f[0], f[1], f[2], &before,
                    f[4]) != 5) {
      return kNotOurs;
    }
    Undo u;
    u.before = before;
    if (!Unhex(f[0], &u.dir) || !Unhex(f[1], &u.target) || !Unhex(f[2], &u.temp) ||
        !Unhex(f[4], &u.backup)) {
      return kNotOurs;
    }
    if (!plain(u.target) || !plain(u.temp) || LeftoverOwner(u.temp) == 0) return kNotOurs;
    if (before == kBackedUp && (!plain(u.backup) || LeftoverOwner(u.backup) == 0)) return kNotOurs;
    if (foreign && u.dir != htmlDir && u.dir != modulesDir) return kNotOurs;
    undos.push_back(u);
  }
  std::set<std::string> dirs;
  // Every file renamed: the commit was complete but for removing the
  // backups and the journal.  Otherwise its renames are undone.
  bool complete = true;
  for (const Undo& u : undos) complete = complete && !Exists(u.dir + "/" + u.temp);
  for (auto u = undos.rbegin(); u != undos.rend(); ++u) {
    const std::string target = u->dir + "/" + u->target;
    const std::string temp = u->dir + "/" + u->temp;
    const std::string backup = u->dir + "/" + u->backup;
    dirs.insert(u->dir);
    if (complete) {
      if (u->before == kBackedUp) unlink(backup.c_str());
    } else if (Exists(temp)) {  // never renamed: the target is still the old file
      unlink(temp.c_str());
      if (u->before == kBackedUp) unlink(backup.c_str());
    } else if (u->before == kBackedUp) {
      if (Exists(backup)) std::rename(backup.c_str(), target.c_str());
    } else if (u->before == kAbsent) {
      unlink(target.c_str());
    }
  }
  for (const std::string& dir : dirs) SyncDirectory(dir);
  unlink(journalPath.c_str());
  SyncDirectory(htmlDir);
  return complete ? kCompleted : kUndone;
}

}  // namespace

String RecoverInterruptedBuilds(const std::string& htmlDir) {
  const std::string journalPath = htmlDir + "/" + kJournalName;
  String said;
  if (Exists(journalPath)) {
    const Recovery recovery = UndoJournal(htmlDir, journalPath);
    if (recovery == kNotOurs) {
      // Another build is putting its files in place, or the journal is not
      // ours to follow: its temporary files are left alone too.
      return u"Warning: " + FromLatin1(journalPath) +
             u" names an unfinished commit that is not undone (a build still running?)";
    }
    said = (recovery == kUndone ? u"Undid the unfinished changes of an interrupted build in "
                                : u"Finished the changes of an interrupted build in ") +
           FromLatin1(htmlDir);
  }
  for (const std::string& dir : {htmlDir, htmlDir + "/Modules"}) {
    for (const std::string& name : FolderNames(dir)) {
      const pid_t owner = LeftoverOwner(name);
      if (owner == 0 || ProcessAlive(owner)) continue;
      struct stat st;
      const std::string path = dir + "/" + name;
      if (lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) unlink(path.c_str());
    }
  }
  return said;
}

void RemoveOldGenerations(const std::string& modulesDir, const std::string& current) {
  const std::string prefix = kGenerationPrefix;
  for (const std::string& name : FolderNames(modulesDir)) {
    if (name == current || name.compare(0, prefix.size(), prefix) != 0) continue;
    const pid_t owner = LeftoverOwner(".lexidor-" + name.substr(prefix.size()));
    if (owner == 0 || (owner != getpid() && ProcessAlive(owner))) continue;
    struct stat st;
    const std::string path = modulesDir + "/" + name;
    if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) RemoveTree(path);
  }
}

}  // namespace lexidor
