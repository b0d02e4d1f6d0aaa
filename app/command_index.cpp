#include "app/command_index.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <exception>
#include <memory>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "app/atomic_file.h"
#include "app/build_ahead.h"
#include "app/generation_reuse.h"
#include "app/index_commit.h"
#include "app/link_rule.h"
#include "app/new_file.h"
#include "app/page_install.h"
#include "app/text_index_install.h"
#include "stream/file_system.h"
#include "stream/standard_io.h"
#include "stream/stream.h"
#include "stream/text_stream.h"

namespace lexidor {

namespace {

// Position of `what` in `text` at or after `from`, -1 when absent; searches
// from a negative index start at 0, as the rules below rely on.
int Pos(std::string_view text, const char* what, int from = 0) {
  size_t at = text.find(what, from < 0 ? 0 : static_cast<size_t>(from));
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// text[start, end): empty when end <= start, clamped to the text.
std::string_view Cut(std::string_view text, int start, int end) {
  const int n = static_cast<int>(text.size());
  if (start < 0) start = 0;
  if (end > n) end = n;
  return end <= start ? std::string_view() : text.substr(start, end - start);
}

// Filing in the module map is deferred while commands of one module follow
// each other (lists come grouped by module): the entry is looked up once per
// run and gets its copy of the run's last record when the run ends.
struct ModuleFiling {
  bool cached = false;
  std::string key;
  std::map<std::string, TCommandCopy>::iterator entry;
  bool pending = false;
  size_t index = 0;
};

ModuleFiling& Filing() {
  static auto* filing = new ModuleFiling();
  return *filing;
}

}  // namespace

void SettleModuleMap() {
  ModuleFiling& f = Filing();
  if (f.pending) {
    f.entry->second.Assign(App().commandList[f.index]);
    f.pending = false;
  }
}

void ClearModuleMap() {
  ModuleFiling& f = Filing();
  f.pending = false;
  f.cached = false;
  App().moduleMap.clear();
}

namespace {

// AddCommand over views; `linkText` is a scratch buffer it may change.
void AddCommandView(std::string_view name, std::string& linkText, int letterCode,
                    std::string_view module, std::string_view arguments = std::string_view()) {
  if (std::memchr(linkText.data(), '\\', linkText.size())) {
    std::replace(linkText.begin(), linkText.end(), '\\', '/');
  }
  if (name.empty()) return;
  int at = Pos(name, ":");
  if (at >= 0) name = name.substr(0, at);
  at = Pos(name, "[]");
  if (at >= 0) name = name.substr(0, at);
  at = Pos(name, "=");
  if (at >= 2) name = name.substr(0, at);

  AppState& app = App();
  char code[16];
  char* code_end = std::to_chars(code, code + sizeof code, letterCode).ptr;
  app.commandList.Add(name, linkText, std::string_view(code, code_end - code), module, arguments);

  ModuleFiling& f = Filing();
  thread_local std::string key;
  key.assign(module);
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  if (!f.cached || f.key != key) {
    SettleModuleMap();
    f.entry = app.moduleMap.try_emplace(key).first;
    f.key = key;
    f.cached = true;
  }
  f.pending = true;
  f.index = app.commandList.Count() - 1;
}

}  // namespace

void AddCommand(std::string name, std::string linkText, int letterCode, const std::string& module) {
  AddCommandView(name, linkText, letterCode, module);
}

void ParseCommandLine(std::string_view L, const std::string& rootPath) {
  int a = 1 + Pos(L, "|");
  int b = 1 + Pos(L, "|", a);
  if (b != 0) a = b;
  std::string_view name = Cut(L, 0, a - 1);
  // The arguments ("(file,flags)") follow the name; the pages show them.
  std::string_view arguments;
  int paren = Pos(name, "(");
  if (paren >= 0) {
    arguments = name.substr(paren);
    name = name.substr(0, paren);
  }
  thread_local std::string linkText;
  linkText.assign(rootPath);
  if (a < static_cast<int>(L.size())) linkText.append(L, a, std::string::npos);

  // The module is the link up to its first "." unless "Modules/" stands
  // anywhere but at index 0: a missing one (-1) passes too, which is how the
  // kit's lists have always been read.  (Views into linkText: it is only
  // changed after the module has been copied.)
  std::string_view module;
  int c = Pos(linkText, "Modules/");
  if (c != 0) {
    module = Cut(linkText, c + 8, Pos(linkText, "index") - 1);
  } else {
    module = Cut(linkText, 0, Pos(linkText, "."));
  }
  if (Pos(linkText, ".mod") != 0 && module.empty()) {
    int d = Pos(linkText, "mod");
    int e1 = Pos(linkText, ".mod", d + 1);
    int e2 = Pos(linkText, ".mod", e1 + 1);
    module = Cut(linkText, d + 4, e2);
  }
  int letterCode = name.empty() ? -65 : static_cast<unsigned char>(name[0]) - 65;
  thread_local std::string moduleText;
  moduleText.assign(module);
  AddCommandView(name, linkText, letterCode, moduleText, arguments);
}

void AppendScriptText(std::string& out, std::string_view text) {
  // Most names and links hold neither character: one look for each.  (An
  // empty view may have no data at all, which memchr must not be given.)
  if (text.empty() || (!std::memchr(text.data(), '\\', text.size()) &&
                       !std::memchr(text.data(), '"', text.size()))) {
    out.append(text);
    return;
  }
  const char* p = text.data();
  const char* end = p + text.size();
  const char* run = p;
  for (; p != end; ++p) {
    if (*p == '\\' || *p == '"') {
      out.append(run, p);
      out.push_back('\\');
      run = p;
    }
  }
  out.append(run, end);
}

void AppendScriptString(std::string& out, std::string_view text) {
  out.push_back('"');
  AppendScriptText(out, text);
  out.push_back('"');
}

namespace {

// A call takes at most about 65,500 arguments in common engines (V8 stops at
// 65,535), and fewer where each argument takes stack (node's default stack
// overflows at about 41,000), so `new Array(...)` with more elements does not
// load at all.  Up to this count the files keep that form, which other pages of a kit may
// read; above it they hold an array literal with the same name, elements
// and order, which every engine accepts at any size.
constexpr size_t kMaxArrayCallElements = 30000;

// Rows in first.js: more than a screenful.
constexpr size_t kFirstRows = 120;

// Kits of this many commands or more also get rows files for their pages:
// rowsK.js holds the names, links, modules and arguments of kRowsPerFile
// commands from K * kRowsPerFile on, each column as one string of lines,
//   LexidorRows(K,"\nname\n...\n","\nlink\n...\n","\nmodule\n...\n","\nargs\n...\n");
// with the links' common start (the kit's folder) left out: first.js gives
// it once, as linkStart.
// A browser loads a few long strings in files of this size in a few
// milliseconds each and keeps them at little cost to its collector, where a
// million separate strings in one file take one long task to load and
// long pauses to collect.  (A line of commands.txt holds no line feed, so
// none of the values does.)
constexpr size_t kRowsFrom = 10000;
constexpr size_t kRowsPerFile = 20000;

// Buffers one script file's text and hands it to its file in the
// generation folder in large pieces.  `elements` is the number of elements
// the file will hold; it picks the array form.
class ScriptWriter {
 public:
  // `previous`: the installed generation's file of that name to match
  // (taken), -1 for none.
  ScriptWriter(TGeneration& gen, const char* name, const char* variable, size_t elements,
               int previous)
      : path_(gen.Path() + "/" + name),
        file_(gen.NewFile(), path_, previous),
        literal_(elements > kMaxArrayCallElements) {
    text_ = std::string("var ") + variable + (literal_ ? "=[" : "=new Array(");
    closing_ = literal_ ? "];" : ");";
  }
  // A file of the given opening text, elements (and Raw text) and closing.
  ScriptWriter(TGeneration& gen, const std::string& name, std::string opening, std::string closing,
               int previous)
      : path_(gen.Path() + "/" + name),
        file_(gen.NewFile(), path_, previous),
        literal_(true),
        text_(std::move(opening)),
        closing_(std::move(closing)) {}
  bool Open() { return Check(file_.Open()); }
  void Raw(std::string_view text) { text_.append(text); }
  void Element(std::string_view value, bool first) {
    if (!first) text_.push_back(',');
    AppendScriptString(text_, value);
    if (text_.size() >= (1 << 16)) Drain();
  }
  // One line of a string of lines: the value and an escaped line feed.
  void Line(std::string_view value) {
    AppendScriptText(text_, value);
    text_ += "\\n";
    if (text_.size() >= (1 << 16)) Drain();
  }
  // Writes the closing text, syncs and closes the file; false when anything
  // failed.
  bool Finish() {
    text_ += closing_;
    Drain();
    return error_.empty() && Check(file_.Finish());
  }
  const std::string& Path() const { return path_; }
  // Whether the file is the installed generation's, linked rather than
  // written.
  bool Linked() const { return file_.Linked(); }
  // "Cannot write <file>: <reason>", or "" while all is well.
  const String& Error() const { return error_; }

 private:
  bool Check(int error) {
    if (error && error_.empty()) {
      error_ = u"Cannot write " + FromLatin1(path_) + u": " + FromUtf8(std::strerror(error));
    }
    return error == 0;
  }
  void Drain() {
    if (error_.empty()) Check(file_.Write(text_));
    text_.clear();
  }
  std::string path_;
  TMatchedFile file_;
  const bool literal_;
  std::string text_;
  std::string closing_;
  String error_;
};

// Hands `use` one field of records [from, to), in list order.  After
// sorting, the records lie scattered in memory: fetching each one's bytes
// ahead of use keeps the loop from waiting on memory.
template <typename Use>
void ForEachValue(const TCommandList& list, size_t from, size_t to,
                  std::string_view tcommand::*field, Use use) {
  for (size_t i = from; i < to; ++i) {
    if (i + 8 < to) {
      // Its first cache line and, for a long value, the next; an empty
      // value may point nowhere, so the step stays within its bytes.
      const std::string_view ahead = list[i + 8].*field;
      __builtin_prefetch(ahead.data());
      __builtin_prefetch(ahead.data() + std::min<size_t>(ahead.size(), 64));
    }
    use(list[i].*field, i);
  }
}

// Writes one field of every record as the elements of a script array.
void WriteColumn(ScriptWriter& writer, const TCommandList& list,
                 std::string_view tcommand::*field) {
  ForEachValue(list, 0, list.Count(), field,
               [&](std::string_view value, size_t i) { writer.Element(value, i == 0); });
}

// The text every link of the list starts with: the kit's folder, as the
// list is read; "" when some link does not.  Rows files leave it out of
// their links and first.js gives it once.
std::string_view CommonLinkStart(const TCommandList& list, std::string_view root) {
  bool all = true;
  ForEachValue(list, 0, list.Count(), &tcommand::link, [&](std::string_view link, size_t) {
    all = all && link.substr(0, root.size()) == root;
  });
  return all ? root : std::string_view();
}

// Writes rows file `k` of the list (see kRowsFrom), each link without
// `linkStart`.
void WriteRows(ScriptWriter& writer, const TCommandList& list, size_t k,
               std::string_view linkStart) {
  const size_t from = k * kRowsPerFile;
  const size_t to = std::min(list.Count(), from + kRowsPerFile);
  auto line = [&](std::string_view value, size_t) { writer.Line(value); };
  writer.Raw("LexidorRows(" + std::to_string(k) + ",\"\\n");
  ForEachValue(list, from, to, &tcommand::comando, line);
  writer.Raw("\",\"\\n");
  ForEachValue(list, from, to, &tcommand::link,
               [&](std::string_view link, size_t) { writer.Line(link.substr(linkStart.size())); });
  writer.Raw("\",\"\\n");
  ForEachValue(list, from, to, &tcommand::Modules, line);
  writer.Raw("\",\"\\n");
  ForEachValue(list, from, to, &tcommand::arguments, line);
  writer.Raw("\");");
}

// For each rows file, the first characters its names start with, each
// once: a search opened from its address loads first the files where names
// of its initial lie.
void WriteHeads(ScriptWriter& writer, const TCommandList& list, size_t rowFiles) {
  for (size_t k = 0; k < rowFiles; ++k) {
    bool seen[256] = {};
    const size_t to = std::min(list.Count(), (k + 1) * kRowsPerFile);
    for (size_t i = k * kRowsPerFile; i < to; ++i) {
      if (!list[i].comando.empty()) seen[static_cast<unsigned char>(list[i].comando[0])] = true;
    }
    std::string heads;
    for (int c = 1; c < 256; ++c) {
      if (seen[c]) heads.push_back(static_cast<char>(c));
    }
    writer.Element(heads, k == 0);
  }
}

// The name of rows file `k`.
std::string RowsFile(size_t k) { return "rows" + std::to_string(k) + ".js"; }

// Runs `work` on a second thread from construction until Join (or the
// destructor); an exception it throws comes out of Join.
class SideTask {
 public:
  template <typename Work>
  explicit SideTask(Work work) {
    // Born with SIGINT and SIGTERM held off, and keeps them so: their
    // handler removes the build's unkept files, which the main thread may
    // be making meanwhile, and must run there.
    THoldSignals hold;
    thread_ = std::thread([this, work] {
      try {
        work();
      } catch (...) {
        error_ = std::current_exception();
      }
    });
  }
  ~SideTask() {
    if (thread_.joinable()) thread_.join();
  }
  void Join() {
    thread_.join();
    if (error_) std::rethrow_exception(error_);
  }

 private:
  std::exception_ptr error_;
  std::thread thread_;
};

// The script files written in the generation folder `gen`; the ones of
// fixed name (first.js, the commit point, among them) join `commit` as
// second names of those in the folder.
String WriteScriptFiles(TGeneration& gen, const std::string& modulesDir, TIndexCommit& commit) {
  AppState& app = App();
  const size_t n = app.commandList.Count();
  // Each file is matched against the installed generation's as it is
  // written; those of fixed name also stand in Modules/, where one that is
  // the installed generation's file stays when the new one is too.
  const TPreviousGeneration previous(modulesDir);
  bool inPlace[4] = {};
  ScriptWriter command(gen, "command.js", "commands", n,
                       previous.Open("command.js", true, &inPlace[0]));
  ScriptWriter links(gen, "links.js", "links", n, previous.Open("links.js", true, &inPlace[1]));
  ScriptWriter modules(gen, "modules.js", "modules", n,
                       previous.Open("modules.js", true, &inPlace[2]));
  // One element per module and the closing empty one.
  ScriptWriter mods(gen, "mod.js", "mods", app.moduleMap.size() + 1,
                    previous.Open("mod.js", true, &inPlace[3]));
  // The number of commands and the first rows of the whole listing, small
  // enough to load at once: the pages of a large kit draw their first
  // screen from it while the full lists are still loading.  It names the
  // folder the pages load the rest from.
  const size_t rowFiles = n >= kRowsFrom ? (n + kRowsPerFile - 1) / kRowsPerFile : 0;
  const std::string root = ToLatin1(app.rootPath);
  const std::string_view linkStart =
      rowFiles ? CommonLinkStart(app.commandList, root) : std::string_view();
  std::string opening = "var firstCommands={total:" + std::to_string(n) +
                        ",rowFiles:" + std::to_string(rowFiles) +
                        ",rowsPerFile:" + std::to_string(kRowsPerFile) + ",folder:";
  AppendScriptString(opening, gen.Name() + "/");
  opening += ",linkStart:";
  AppendScriptString(opening, linkStart);
  // (It names the new folder: never the installed one's bytes.)
  ScriptWriter first(gen, "first.js", opening + ",commands:[", "]};", -1);
  std::vector<std::unique_ptr<ScriptWriter>> rows;
  for (size_t k = 0; k < rowFiles; ++k) {
    bool unused;
    rows.push_back(std::make_unique<ScriptWriter>(gen, RowsFile(k), std::string(), std::string(),
                                                  previous.Open(RowsFile(k), false, &unused)));
  }
  std::vector<ScriptWriter*> all = {&command, &links, &modules, &mods, &first};
  for (auto& w : rows) all.push_back(w.get());
  for (ScriptWriter* w : all) {
    if (!w->Open()) return w->Error();
  }
  // The links file, the largest, is written on a second thread meanwhile
  // the names and modules are written here.  Each writer has its own file;
  // the records are only read.
  const TCommandList& list = app.commandList;
  bool links_ok = false;
  // Then each thread takes the next rows file until none is left.
  std::atomic<size_t> nextRows{0};
  auto writeRowsFiles = [&](bool* ok) {
    for (size_t k; (k = nextRows++) < rowFiles;) {
      WriteRows(*rows[k], list, k, linkStart);
      *ok = rows[k]->Finish() && *ok;
    }
  };
  SideTask links_task([&] {
    WriteColumn(links, list, &tcommand::link);
    links_ok = links.Finish();
    writeRowsFiles(&links_ok);
  });
  WriteColumn(command, list, &tcommand::comando);
  WriteColumn(modules, list, &tcommand::Modules);
  bool ok = command.Finish();
  ok = modules.Finish() && ok;
  writeRowsFiles(&ok);
  links_task.Join();
  ok = ok && links_ok;
  if (ok) {
    bool none_yet = true;
    // The module lines go out in large writes, not one each (50,000 at
    // 50,000 modules), and are flushed before anything else is said: no
    // other line, on standard output or standard error, comes meanwhile.
    TTextStream& out = *StandardStream();
    for (const auto& entry : app.moduleMap) {
      const std::string_view module = entry.second.Record().Modules;
      out.WriteLine(DecodeUtf8Bytes(FromLatin1(module)));
      mods.Element(module, none_yet);
      none_yet = false;
    }
    out.Flush();
    mods.Element("", none_yet);  // the array always ends with an empty element
    ok = mods.Finish();
    // The first rows; the arguments of every command where the kit has
    // no rows files (command.js and its peers keep their form and carry
    // none).
    const size_t rows = std::min(n, kFirstRows);
    const struct {
      const char* between;
      std::string_view tcommand::*field;
      size_t count;
    } fields[] = {{"", &tcommand::comando, rows},
                  {"],links:[", &tcommand::link, rows},
                  {"],modules:[", &tcommand::Modules, rows},
                  {"],args:[", &tcommand::arguments, rowFiles ? rows : n}};
    for (const auto& f : fields) {
      first.Raw(f.between);
      for (size_t i = 0; i < f.count; ++i) first.Element(list[i].*f.field, i == 0);
    }
    first.Raw("],heads:[");
    WriteHeads(first, list, rowFiles);
    ok = first.Finish() && ok;
  }
  if (!ok) {
    for (ScriptWriter* w : all) {
      if (!w->Error().empty()) return w->Error();
    }
  }
  if (int error = SyncDirectory(gen.Path())) {
    return u"Cannot write " + FromLatin1(gen.Path()) + u": " + FromUtf8(std::strerror(error));
  }
  // The files of fixed name, for other pages of the kit, and first.js.
  // One that is the installed file, as the new folder's is, stays.
  ScriptWriter* const fixed[] = {&command, &links, &modules, &mods, &first};
  for (size_t i = 0; i < 5; ++i) {
    ScriptWriter* w = fixed[i];
    if (i < 4 && inPlace[i] && w->Linked()) {
      commit.AddInPlace(modulesDir + "/" + NameOf(w->Path()));
      continue;
    }
    auto file = std::make_unique<TAtomicFile>(FromLatin1(modulesDir + "/" + NameOf(w->Path())));
    if (!file->OpenAsCopyOf(w->Path())) return file->Error();
    if (w == &first) {
      commit.SetCommitPoint(std::move(file));
    } else {
      commit.Add(std::move(file));
    }
  }
  return String();
}

// Rows files of fixed name, which builds of earlier versions wrote.
void RemoveOldRowsFiles(const std::string& modulesDir) {
  for (size_t k = 0;; ++k) {
    const std::string path = modulesDir + "/" + RowsFile(k);
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) break;
    unlink(path.c_str());
  }
}

}  // namespace

String BuildIndex(std::shared_ptr<BuildAhead> ahead) {
  AppState& app = App();
  const String cmdPath = app.rootPath + u"\\docs\\html\\Modules\\commands.txt";
  PrintLine(u"Quandrel dir  : " + app.rootPath);
  PrintLine(u"DirBase       : " + app.rootPath);
  PrintLine(u"Commands file : " + cmdPath);

  String error;
  std::string root;
  if (!PathBytes(app.rootPath, root)) {
    error = u"Cannot write " + app.rootPath + u": " + FromUtf8(std::strerror(EINVAL));
    PrintLine(error);
    return error;
  }
  // The list is read, and the text index's build begun, on threads of
  // their own: ahead of this call in a batch run.
  if (!ahead) ahead = std::make_shared<BuildAhead>(root);
  int64_t lineCount = 0;
  error = ahead->TakeList(&lineCount);
  if (!error.empty()) {
    PrintLine(error);
    return error;
  }
  PrintLine(u"Total commands: " + IntToString(static_cast<int64_t>(app.commandList.Count())) +
            u" " + IntToString(lineCount));
  PrintLine(u"");

  const std::string htmlDir = root + "/docs/html";
  const std::string modulesDir = htmlDir + "/Modules";
  // The folders the build writes in may be links only of the user's own
  // or of their folder's owner, as for the files in them.
  for (const std::string& folder : {root + "/docs", htmlDir, modulesDir}) {
    std::string reached, refused;
    if (!FollowTrustedLinks(folder, &reached, &refused)) {
      error = u"Cannot write " + FromLatin1(folder) + u": " + FromLatin1(refused) +
              u" is a symbolic link that belongs to another user; not followed";
      PrintLine(error);
      return error;
    }
  }
  // What a build that was killed or failed left is undone and removed
  // first, so that this one starts from a whole index.
  const String recovered = RecoverInterruptedBuilds(htmlDir);
  if (!recovered.empty()) PrintLine(recovered);
  TGeneration gen;
  if (int failure = gen.Create(modulesDir)) {
    error = u"Cannot write " + FromLatin1(modulesDir) + u": " + FromUtf8(std::strerror(failure));
    PrintLine(error);
    return error;
  }
  TIndexCommit commit(htmlDir);
  error = WriteScriptFiles(gen, modulesDir, commit);
  if (!error.empty()) {
    PrintLine(error);
    return error;
  }
  PrintLine(u"Indeces created...");
  error = InstallPages(commit);
  if (!error.empty()) return error;  // (printed)
  {
    // A signal held off meanwhile ends the program once the new set is in
    // place, its folder kept and the old one gone.
    THoldSignals hold;
    error = commit.Apply();
    if (!error.empty()) {
      PrintLine(error);
      return error;
    }
    gen.Keep();
    // Only now, with the new set in place, go the files it no longer uses.
    RemoveStaleFiles(commit.Files());
    RemoveOldGenerations(modulesDir, gen.Name());
    RemoveOldRowsFiles(modulesDir);
  }
  // The text index comes after the name index is in place, and whatever
  // becomes of it the name index stays as it is.
  InstallTextIndex(ahead->Text());
  return String();
}

}  // namespace lexidor
