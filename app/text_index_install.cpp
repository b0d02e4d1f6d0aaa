#include "app/text_index_install.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/atomic_file.h"
#include "app/errand.h"
#include "app/fulltext/durable_file.h"
#include "app/fulltext/text_build.h"
#include "app/link_rule.h"
#include "app/new_file.h"
#include "runtime/left_to_exit.h"
#include "runtime/string.h"
#include "stream/file_system.h"
#include "stream/standard_io.h"
#include "stream/text_file.h"

namespace lexidor {

namespace {

// How many unreadable pages standard error names, one line each.
constexpr size_t kNamedProblems = 10;

// A larger file at the pointer's name is no pointer of ours.
constexpr uint64_t kLargestPointer = 1 << 12;

std::function<void(int)>& ProgressSink() {
  static std::function<void(int)> sink;
  return sink;
}

void Complain(const std::string& text) {
  std::fprintf(stderr, "Lexidor: %s\n", text.c_str());
  std::fflush(stderr);
}

// The generations kept under the text folder: "g" and a number.
int64_t GenerationNumber(const std::string& name) {
  // A generation's folder, or the description of its base beside it.
  const std::string state = fulltext::BaseStateFile("");
  if (name.size() > state.size() &&
      name.compare(name.size() - state.size(), state.size(), state) == 0) {
    return GenerationNumber(name.substr(0, name.size() - state.size()));
  }
  if (name.size() < 2 || name.size() > 18 || name[0] != 'g') return -1;
  for (size_t i = 1; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
  }
  return std::stoll(name.substr(1));
}

// The value of `key` ("generation", "base") in the pointer file's text when
// it names a generation folder ("g7"), else "".
std::string PointerField(const std::string& text, const std::string& key) {
  const std::string start = key + ":\"";
  const size_t at = text.find(start);
  if (at == std::string::npos) return std::string();
  const size_t end = text.find('"', at + start.size());
  if (end == std::string::npos) return std::string();
  const std::string name = text.substr(at + start.size(), end - at - start.size());
  return GenerationNumber(name) >= 0 && name.find('.') == std::string::npos ? name : std::string();
}

// The cache's temporary files are "pages.cache." and six characters.
bool IsCacheLeftover(const std::string& name) {
  const std::string stem = "pages.cache.";
  return name.size() == stem.size() + 6 && name.compare(0, stem.size(), stem) == 0;
}

// Per page below docs/html, the anchors the command list links to, with
// the name of the command each one starts, as views into the list (which
// must outlive `table`).
void CommandAnchors(const std::string& html, fulltext::TAnchorTable* table) {
  const TCommandList& list = App().commandList;
  const std::string prefix = html + "/";
  table->Reserve(list.Count());
  for (size_t i = 0; i < list.Count(); ++i) {
    const std::string_view link = list[i].link;
    if (link.size() <= prefix.size() || link.compare(0, prefix.size(), prefix) != 0) continue;
    const size_t hash = link.find('#', prefix.size());
    if (hash == std::string_view::npos || hash + 1 == link.size()) continue;
    table->Add(link.substr(prefix.size(), hash - prefix.size()), link.substr(hash + 1),
               list[i].comando);
  }
  table->Seal();
}

String Say(const std::string& line) {
  const String text = FromUtf8(line);
  PrintLine(text);
  return text;
}

// The folders of a kit's text index and what its current pointer names.
// Byte paths throughout: a kit folder's name may hold "\\" or "::".
struct TextFolders {
  std::string html, modules, folder;
  std::string current;      // the generation the pointer names; "" for none
  std::string currentBase;  // the base its index reads besides; "" for none
  std::string baseFolder;   // the folder of the last full build, when there
};

TextFolders FindTextFolders(const std::string& root) {
  TextFolders f;
  f.html = root + "/docs/html";
  f.modules = f.html + "/Modules";
  f.folder = f.modules + "/textindex";
  // The folders the current pointer's index reads: its own and, for a
  // rebuild's, the base's.  Read only when it is a small regular file:
  // anything else names none.
  std::string pointed;
  if (!fulltext::ReadWholeFile(f.modules + "/textindex.js", kLargestPointer, &pointed)) {
    pointed.clear();
  }
  f.current = PointerField(pointed, "generation");
  f.currentBase = f.current.empty() ? std::string() : PointerField(pointed, "base");
  // A rebuild may keep the files of the pages that did not change: those
  // of the last full build, which the current index reads.
  const std::string base = f.currentBase.empty() ? f.current : f.currentBase;
  struct stat st;
  if (!base.empty() && stat((f.folder + "/" + base).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    f.baseFolder = f.folder + "/" + base;
  }
  return f;
}

// Pages below the documentation folder that are Lexidor's own.
const std::set<std::string>& OwnPages() {
  static const std::set<std::string> pages = {"index.html", "rebuild.html",
                                              "Modules/commands.html"};
  return pages;
}

// Whether a page is a temporary file of Lexidor's own (".lexidor-" and the
// name it will replace): one being written, or one a killed build left.
bool IsOwnTemporary(const std::string& path) {
  const size_t slash = path.rfind('/');
  return path.compare(slash == std::string::npos ? 0 : slash + 1, 9, ".lexidor-") == 0;
}

}  // namespace

class TextIndexAhead {
 public:
  // Starts reading the pages' sizes and times and the current index's
  // base below `root` (bytes).
  explicit TextIndexAhead(std::string root) : root_(std::move(root)) {
    reading_.Start([this] {
      try {
        Read();
        read_ = true;
      } catch (...) {
        // Read again by the build, which fails there with words.
      }
    });
  }
  // A build still running is given up: it has written nothing, and
  // writes nothing now.
  ~TextIndexAhead() {
    gate_.Cancel();
    building_.Wait();
    reading_.Wait();
  }
  TextIndexAhead(const TextIndexAhead&) = delete;
  TextIndexAhead& operator=(const TextIndexAhead&) = delete;

  // Starts the build proper, once: the command list's anchors gathered,
  // then the pages read and indexed; the list must stay as it is until
  // Result.  Nothing is written until Open.
  void StartBuild() {
    if (!building_.Started()) building_.Start([this] { Build(); });
  }
  void Open() { gate_.Open(); }
  void Cancel() { gate_.Cancel(); }

  // Waits for the build to end, handing its progress to `report` on the
  // caller's thread meanwhile, and gives what it made: its summary, the
  // folders it read and the generation it wrote.
  fulltext::TextBuildSummary Result(const std::function<void(int)>& report, TextFolders* folders,
                                    std::string* generation) {
    int shown = -1;
    std::unique_lock<std::mutex> lock(relayMutex_);
    for (;;) {
      relayed_.wait(lock, [&] { return finished_ || percent_ != shown; });
      if (percent_ == shown) break;
      shown = percent_;
      lock.unlock();
      report(shown);
      lock.lock();
    }
    // The build's thread touches none of these once it has finished; it
    // may still be freeing what it read, which the destructor waits for.
    *folders = std::move(folders_);
    *generation = std::move(generation_);
    return std::move(summary_);
  }

 private:
  // The kit's text folders, the pages' sizes and times and the current
  // index's base.
  void Read() {
    folders_ = FindTextFolders(root_);
    input_ = fulltext::ReadTextBuildInput(folders_.html, OwnPages(), folders_.baseFolder);
  }

  void Build() {
    // Freed only after the build is reported finished, beside the rest of
    // the install: a large kit's anchors take a while to free (and a run
    // that ends after the build leaves them to the exit).
    auto heldTable = std::make_unique<fulltext::TAnchorTable>();
    fulltext::TAnchorTable& table = *heldTable;
    fulltext::TextBuildOptions options;
    try {
      // The anchors first: they need only the list, while the walk may
      // still be running.  A rebuild that keeps the base needs of most
      // pages only their anchors' hash, taken from the table; every page
      // read has its anchors' own table made from it as it is read.
      CommandAnchors(root_ + "/docs/html", &table);
      reading_.Wait();
      if (!read_) Read();
      // The name index's temporary pages, written or removed meanwhile,
      // are none of the kit's.
      auto& pages = input_.walk.pages;
      pages.erase(std::remove_if(
                      pages.begin(), pages.end(),
                      [](const fulltext::WalkedPage& page) { return IsOwnTemporary(page.path); }),
                  pages.end());
      // Above every folder there, a half-written one a killed build left
      // included: a folder is never written twice.  (No other build of the
      // kit runs meanwhile: it is locked.)
      int64_t newest = 0;
      for (const std::string& name : FolderNames(folders_.folder)) {
        newest = std::max(newest, GenerationNumber(name));
      }
      generation_ = "g" + std::to_string(newest + 1);
      options.htmlFolder = folders_.html;
      options.outputFolder = folders_.folder + "/" + generation_;
      options.generation = generation_;
      options.cacheFile = folders_.folder + "/pages.cache";
      options.baseFolder = folders_.baseFolder;
      options.anchorTable = &table;
      options.skip = OwnPages();
      options.gate = &gate_;
      options.progress = [this](int percent) {
        std::lock_guard<std::mutex> lock(relayMutex_);
        percent_ = percent;
        relayed_.notify_all();
      };
      summary_ = fulltext::BuildTextIndex(options, std::move(input_));
    } catch (const std::exception& e) {
      summary_.error = e.what();
    }
    {
      std::lock_guard<std::mutex> lock(relayMutex_);
      finished_ = true;
      relayed_.notify_all();
    }
    LeaveToExit(std::move(heldTable));
  }

  const std::string root_;
  // Written by the reading thread, then by the building one, then taken
  // by Result: each after the one before has ended.
  TextFolders folders_;
  fulltext::TextBuildInput input_;
  bool read_ = false;
  std::string generation_;
  fulltext::TextBuildSummary summary_;
  fulltext::TWriteGate gate_;
  // The build's progress, for Result.
  std::mutex relayMutex_;
  std::condition_variable relayed_;
  int percent_ = -1;
  bool finished_ = false;
  // Last, so that they are waited for before the rest goes.
  Errand building_;
  Errand reading_;
};

void SetTextIndexProgress(std::function<void(int)> report) { ProgressSink() = std::move(report); }

std::shared_ptr<TextIndexAhead> ReadTextIndexAhead() {
  return std::make_shared<TextIndexAhead>(ToLatin1(App().rootPath));
}

void StartTextIndex(const std::shared_ptr<TextIndexAhead>& ahead) {
  if (ahead) ahead->StartBuild();
}

namespace {

String Install(std::shared_ptr<TextIndexAhead> ahead) {
  // Byte paths throughout: a kit folder's name may hold "\\" or "::".
  if (!ahead) ahead = ReadTextIndexAhead();
  ahead->StartBuild();
  const std::string folder = ToLatin1(App().rootPath) + "/docs/html/Modules/textindex";
  // A link there is followed only under the rule for the kit's folders.
  std::string reached, refused;
  struct stat st;
  std::string problem;
  if (!FollowTrustedLinks(folder, &reached, &refused)) {
    problem = refused + " is a symbolic link that belongs to another user; not followed";
  } else if (mkdir(reached.c_str(), 0777) != 0 && errno != EEXIST) {
    problem = std::strerror(errno);
  } else if (stat(reached.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    problem = std::strerror(ENOTDIR);
  }
  if (!problem.empty()) {
    ahead->Cancel();
    const std::string why = "Full text: not built: cannot create " + folder + ": " + problem;
    Complain(why);
    return Say(why);
  }
  // The name index is in place: the build, which may have read and indexed
  // much of the pages by now, may write.
  ahead->Open();
  const bool terminal = isatty(STDERR_FILENO) == 1;
  const auto progress = [terminal](int percent) {
    if (terminal) {
      std::fprintf(stderr, "\rIndexing text\xE2\x80\xA6 %d%%", percent);
      if (percent == 100) std::fputs("\r\x1B[K", stderr);
      std::fflush(stderr);
    }
    if (ProgressSink()) ProgressSink()(percent);
  };
  TextFolders folders;
  std::string generation;
  fulltext::TextBuildSummary summary = ahead->Result(progress, &folders, &generation);
  const std::string& modules = folders.modules;
  const std::string& current = folders.current;
  const std::string& currentBase = folders.currentBase;
  if (terminal) std::fputs("\r\x1B[K", stderr);
  String pointerError;
  if (summary.error.empty()) {
    // The search script first, then the pointer: a page that reads the new
    // pointer finds a script that understands it.
    // The pages load one script: pako's inflater, the unpacker of the
    // index's files over it, the query's words, the ranking, then the
    // search engine.
    const String script = LoadTextFile(u"incbin::resources\\pako_inflate.js") + u"\n" +
                          LoadTextFile(u"incbin::resources\\unpack.js") + u"\n" +
                          LoadTextFile(u"incbin::resources\\text_query.js") + u"\n" +
                          LoadTextFile(u"incbin::resources\\text_rank.js") + u"\n" +
                          LoadTextFile(u"incbin::resources\\fulltext.js") + u"\n" +
                          LoadTextFile(u"incbin::resources\\text_segments.js");
    // Written again only when it differs (or has a name elsewhere too,
    // which is not left shared): the same script, put in place
    // by an earlier build, was synced before its rename, and the folder's
    // entry is made durable with the pointer's below.
    if (!fulltext::FileHolds(modules + "/fulltext.js", TextFileBytes(script))) {
      pointerError = SaveTextFileAtomically(script, FromLatin1(modules + "/fulltext.js"));
    }
    if (pointerError.empty()) {
      // The pointer also names the folder of the base a rebuild's index
      // reads, so that the next build keeps that folder.
      const String based = summary.baseFolder.empty()
                               ? String()
                               : u",base:\"" + FromLatin1(summary.baseFolder) + u"\"";
      pointerError = SaveTextFileAtomically(u"var lexidorTextIndex={dir:\"textindex/" +
                                                FromLatin1(generation) + u"/\",generation:\"" +
                                                FromLatin1(generation) + u"\"" + based + u"};\n",
                                            FromLatin1(modules + "/textindex.js"));
    }
    if (!pointerError.empty()) summary.error = ToLatin1(pointerError);
  }
  if (!summary.error.empty()) {
    RemoveTree(folder + "/" + generation);
    unlink(fulltext::BaseStateFile(folder + "/" + generation).c_str());
    const std::string why = "Full text: not built: " + summary.error;
    Complain(why);
    return Say(why);
  }
  // The folders the old pointer's index reads stay for pages that loaded
  // it while this build ran, and those the new one reads; every other one
  // goes (with its state), with what killed builds left: folders no pointer
  // ever named and their cache files half written.
  const std::set<std::string> kept = {current, currentBase, generation, summary.baseFolder};
  for (const std::string& name : FolderNames(folder)) {
    const std::string owner = name.substr(0, name.find('.'));
    if (GenerationNumber(name) >= 0 && !kept.count(owner)) {
      const std::string path = folder + "/" + name;
      if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        RemoveTree(path);
      } else {
        unlink(path.c_str());
      }
    } else if (IsCacheLeftover(name)) {
      unlink((folder + "/" + name).c_str());
    }
  }
  for (size_t i = 0; i < summary.skipped.size() && i < kNamedProblems; ++i) {
    Complain("cannot index " + summary.skipped[i]);
  }
  if (summary.skipped.size() > kNamedProblems) {
    Complain("... and " + std::to_string(summary.skipped.size() - kNamedProblems) + " more");
  }
  std::string line = "Full text: " + std::to_string(summary.pages) + " pages, " +
                     std::to_string(summary.sections) + " sections, " +
                     std::to_string(summary.words) + " words, " + std::to_string(summary.bytes) +
                     " bytes in " + std::to_string(summary.files) +
                     (summary.files == 1 ? " file" : " files");
  if (summary.reused) line += ", " + std::to_string(summary.reused) + " pages unchanged";
  if (summary.baseKept) {
    line += summary.segments > 1 ? " (their files kept, the others indexed into a second segment)"
                                 : " (their files kept)";
  }
  if (!summary.skipped.empty()) {
    line += ", " + std::to_string(summary.skipped.size()) + " could not be read";
  }
  Say(line);
  return String();
}

}  // namespace

String InstallTextIndex(const std::shared_ptr<TextIndexAhead>& ahead) { return Install(ahead); }

}  // namespace lexidor
