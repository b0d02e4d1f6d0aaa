#include "app/command_index.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "app/app_state.h"
#include "app/atomic_file.h"
#include "app/page_install.h"
#include "stream/standard_io.h"
#include "stream/stream.h"

namespace lexidor {

namespace {

// Position of `what` in `text` at or after `from`, -1 when absent; searches
// from a negative index start at 0, as the rules below rely on.
int Pos(const std::string& text, const char* what, int from = 0) {
  size_t at = text.find(what, from < 0 ? 0 : static_cast<size_t>(from));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

// text[start, end): empty when end <= start, clamped to the text.
std::string Cut(const std::string& text, int start, int end) {
  const int n = static_cast<int>(text.size());
  if (start < 0) start = 0;
  if (end > n) end = n;
  return end <= start ? std::string() : text.substr(start, end - start);
}

}  // namespace

void AddCommand(std::string name, std::string linkText, int letterCode, const std::string& module) {
  std::replace(linkText.begin(), linkText.end(), '\\', '/');
  if (name.empty()) return;
  int at = Pos(name, ":");
  if (at >= 0) name.resize(at);
  at = Pos(name, "[]");
  if (at >= 0) name.resize(at);
  at = Pos(name, "=");
  if (at >= 2) name.resize(at);

  auto record = std::make_shared<tcommand>();
  record->comando = std::move(name);
  record->link = std::move(linkText);
  record->fast_link = std::to_string(letterCode);
  record->Modules = module;
  AppState& app = App();
  app.commandList.push_back(record);
  // Lists come grouped by module, so the entry of the previous command is
  // usually the one to update.
  static std::string key;
  key = module;
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  static std::map<std::string, CommandRef>* last_map = nullptr;
  static std::map<std::string, CommandRef>::iterator last;
  if (last_map != &app.moduleMap || last == app.moduleMap.end() || last->first != key) {
    last = app.moduleMap.try_emplace(key).first;
    last_map = &app.moduleMap;
  }
  last->second = std::move(record);
}

void ParseCommandLine(const std::string& L, const std::string& rootPath) {
  int a = 1 + Pos(L, "|");
  int b = 1 + Pos(L, "|", a);
  if (b != 0) a = b;
  std::string name = Cut(L, 0, a - 1);
  int paren = Pos(name, "(");
  if (paren >= 0) name.resize(paren);
  std::string linkText = rootPath;
  if (a < static_cast<int>(L.size())) linkText.append(L, a, std::string::npos);

  // The module is the link up to its first "." unless "Modules/" stands
  // anywhere but at index 0: a missing one (-1) passes too, which is how the
  // kit's lists have always been read.
  std::string module;
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
  AddCommand(std::move(name), std::move(linkText), letterCode, module);
}

void AppendScriptString(std::string& out, const std::string& text) {
  out.push_back('"');
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
  out.push_back('"');
}

namespace {

String ReadCommandList(const String& cmdPath, int* lineCount) {
  errno = 0;
  // Read only: indexing never needs to write the kit's list.
  StreamRef in = OpenFileStream(cmdPath, 1, 0);
  if (!in) {
    return u"Cannot open " + ReplaceAll(cmdPath, u"\\", u"/") + u": " +
           FromUtf8(std::strerror(errno ? errno : ENOENT));
  }
  AppState& app = App();
  const std::string root = ToLatin1(app.rootPath);
  while (!in->Eof()) {
    ParseCommandLine(ToLatin1(in->ReadLine()), root);
    ++*lineCount;
  }
  in->Close();
  return String();
}

// Buffers one script file's text and hands it to its temporary file in
// large pieces.
class ScriptWriter {
 public:
  ScriptWriter(const String& path, const char* opening) : file_(path), text_(opening) {}
  bool Open() { return file_.Open(); }
  void Element(const std::string& value, bool first) {
    if (!first) text_.push_back(',');
    AppendScriptString(text_, value);
    if (text_.size() >= (1 << 16)) Drain();
  }
  // Writes the closing text and closes the file; false when anything failed.
  bool Finish(const char* closing) {
    text_ += closing;
    Drain();
    return file_.Finish();
  }
  TAtomicFile& File() { return file_; }

 private:
  void Drain() {
    if (failed_) return;
    try {
      file_.Stream().WriteBytes(text_.data(), static_cast<int>(text_.size()));
    } catch (const TStreamWriteException&) {
      file_.Fail();
      failed_ = true;
    }
    text_.clear();
  }
  TAtomicFile file_;
  std::string text_;
  bool failed_ = false;
};

String WriteScriptFiles(const String& modulesDir) {
  AppState& app = App();
  ScriptWriter command(modulesDir + u"command.js", "var commands=new Array(");
  ScriptWriter links(modulesDir + u"links.js", "var links=new Array(");
  ScriptWriter modules(modulesDir + u"modules.js", "var modules=new Array(");
  ScriptWriter mods(modulesDir + u"mod.js", "var mods=new Array(");
  ScriptWriter* all[] = {&command, &links, &modules, &mods};
  for (ScriptWriter* w : all) {
    if (!w->Open()) return w->File().Error();
  }
  // One pass over the records fills the three list files together.
  bool first = true;
  for (const CommandRef& record : app.commandList) {
    command.Element(record->comando, first);
    links.Element(record->link, first);
    modules.Element(record->Modules, first);
    first = false;
  }
  bool ok = command.Finish(");") && links.Finish(");") && modules.Finish(");");
  if (ok) {
    first = true;
    for (const auto& entry : app.moduleMap) {
      PrintLine(FromLatin1(entry.second->Modules));
      mods.Element(entry.second->Modules, first);
      first = false;
    }
    mods.Element("", first);  // the array always ends with an empty element
    ok = mods.Finish(");");
  }
  if (!ok) {
    for (ScriptWriter* w : all) {
      if (!w->File().Error().empty()) return w->File().Error();
    }
  }
  // All four are complete: put them in place together.
  for (ScriptWriter* w : all) {
    if (!w->File().Commit()) return w->File().Error();
  }
  return String();
}

}  // namespace

void SortCommands(std::vector<CommandRef>& list) {
  // Ascending by name, equal names in their input order.  The sort runs on
  // small keys (the first sixteen bytes of the name, its length and the input
  // index) so that comparisons rarely leave the key array: two names of at
  // most sixteen bytes are ordered by their keys alone (zero padding sorts a
  // name before every longer one that starts with it, and the length tells
  // the two apart); longer names with equal keys are compared in full.
  struct Key {
    uint64_t high, low;  // the first sixteen bytes, big-endian, zero-padded
    uint32_t length;
    uint32_t index;
  };
  auto bytes = [](const std::string& name, size_t from) {
    uint64_t v = 0;
    for (size_t k = from; k < from + 8; ++k) {
      v = (v << 8) | (k < name.size() ? static_cast<unsigned char>(name[k]) : 0);
    }
    return v;
  };
  std::vector<Key> keys(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    const std::string& name = list[i]->comando;
    keys[i] = {bytes(name, 0), bytes(name, 8), static_cast<uint32_t>(name.size()),
               static_cast<uint32_t>(i)};
  }
  std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    if (a.length > 16 && b.length > 16) {
      int order = list[a.index]->comando.compare(list[b.index]->comando);
      if (order != 0) return order < 0;
    } else if (a.length != b.length) {
      return a.length < b.length;
    }
    return a.index < b.index;
  });
  std::vector<CommandRef> sorted;
  sorted.reserve(list.size());
  for (const Key& k : keys) sorted.push_back(std::move(list[k.index]));
  list.swap(sorted);
}

String BuildIndex() {
  AppState& app = App();
  app.commandList.clear();
  const String cmdPath = app.rootPath + u"\\docs\\html\\Modules\\commands.txt";
  PrintLine(u"Quandrel dir  : " + app.rootPath);
  PrintLine(u"DirBase       : " + app.rootPath);
  PrintLine(u"Commands file : " + cmdPath);

  int lineCount = 0;
  String error = ReadCommandList(cmdPath, &lineCount);
  if (!error.empty()) {
    PrintLine(error);
    return error;
  }
  SortCommands(app.commandList);
  PrintLine(u"Total commands: " + IntToString(static_cast<int64_t>(app.commandList.size())) +
            u" " + IntToString(lineCount));
  PrintLine(u"");

  error = WriteScriptFiles(app.rootPath + u"/docs/html/Modules/");
  if (!error.empty()) {
    PrintLine(error);
    return error;
  }
  PrintLine(u"Indeces created...");
  return InstallPages();
}

}  // namespace lexidor
