// Putting a build's files in place as one set.
//
// A build writes the files its pages read into a folder of its own,
// Modules/lexidor-index-<pid>-<token>/ (its generation), and names that
// folder in first.js.  Renaming first.js is the moment the pages switch
// from the old index to the new one: a failure or a kill before it leaves
// the whole old index, after it the whole new one.  The files of fixed name
// that other pages of a kit read (command.js, links.js, modules.js, mod.js)
// and the installed pages are renamed in the same commit, under a journal:
// before the first rename every file replaced gets a second name (its
// backup) and the journal lists them, so that a failed rename undoes the
// renames before it, and a build that finds the journal of a build that
// was killed undoes that build's renames before it starts.
//
// Any other set of files can join the commit: write them into the
// generation folder (they switch with first.js), or add finished
// TAtomicFiles of fixed name with Add.
#pragma once

#include <signal.h>

#include <memory>
#include <string>
#include <vector>

#include "app/atomic_file.h"
#include "runtime/string.h"

namespace lexidor {

// Holds SIGINT and SIGTERM off in its scope: the signal arrives once the
// files are whole again (a set put in place, its folder kept).
class THoldSignals {
 public:
  THoldSignals();
  ~THoldSignals();
  THoldSignals(const THoldSignals&) = delete;
  THoldSignals& operator=(const THoldSignals&) = delete;

 private:
  sigset_t old_;
};

// The folder of one build's generation.  Removed, with what it holds, by
// the destructor and the signal handlers until Keep() is called.
class TGeneration {
 public:
  TGeneration() = default;
  ~TGeneration();
  TGeneration(const TGeneration&) = delete;
  TGeneration& operator=(const TGeneration&) = delete;

  // Creates a new generation folder in `modulesDir` (a byte path).  0 or
  // the errno.
  int Create(const std::string& modulesDir);
  // A file for the folder, owned by it: removed with it unless kept.  Not
  // thread-safe; the files themselves may be written on any thread.
  TNewFile& NewFile();
  // Keeps the folder and its files.
  void Keep();
  // "lexidor-index-<pid>-<token>" and the folder's full path.
  const std::string& Name() const { return name_; }
  const std::string& Path() const { return path_; }

 private:
  std::string name_, path_;
  std::vector<std::unique_ptr<TNewFile>> files_;
  int slot_ = -1;
  bool kept_ = true;
};

class TIndexCommit {
 public:
  // `htmlDir`: the kit's docs/html folder (bytes); the journal lives there.
  explicit TIndexCommit(std::string htmlDir);
  ~TIndexCommit();

  // A finished file to put in place; renamed in the order added.
  void Add(std::unique_ptr<TAtomicFile> file);
  // The file renamed last of all: the commit point (first.js).
  void SetCommitPoint(std::unique_ptr<TAtomicFile> file);
  // Puts every file in place, SIGINT and SIGTERM held off meanwhile.  ""
  // on success; else the line that says what failed, and every file is
  // then as it was before.
  String Apply();
  // A file of the set that is already in place as it should be: never
  // renamed, but among Files().
  void AddInPlace(std::string path);
  // The files put in place (to keep them from stale-file removal).
  std::vector<std::string> Files() const;

 private:
  struct Entry;
  String Undo(size_t renamed, const String& error);
  std::string htmlDir_;
  std::vector<std::unique_ptr<TAtomicFile>> files_;
  std::unique_ptr<TAtomicFile> commitPoint_;
  std::vector<std::string> inPlace_;
  std::vector<std::unique_ptr<Entry>> entries_;
};

// Before a build in `htmlDir`: undoes the unfinished commit of a build that
// is gone (its journal), then removes the temporary files that builds which
// are gone left in docs/html and Modules.  Returns a line to print, or "".
String RecoverInterruptedBuilds(const std::string& htmlDir);

// After a commit: removes the generation folders in `modulesDir` other than
// `current` that belong to builds that are gone or to this process.
void RemoveOldGenerations(const std::string& modulesDir, const std::string& current);

}  // namespace lexidor
