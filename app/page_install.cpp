#include "app/page_install.h"

#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "app/app_state.h"
#include "app/atomic_file.h"
#include "app/index_commit.h"
#include "app/new_file.h"
#include "app/settings_location.h"
#include "runtime/program_paths.h"
#include "stream/file_system.h"
#include "stream/standard_io.h"
#include "stream/text_file.h"

namespace lexidor {

String ButtonScript(const String& target) {
  // The path stands in an HTML attribute inside a script string: the HTML's
  // special characters become entities, which hold nothing the script
  // string must escape; then the script's own escapes.
  String script;
  for (char16_t c : target) {
    switch (c) {
      case u'&':
        script += u"&amp;";
        break;
      case u'\'':
        script += u"&#39;";
        break;
      case u'"':
        script += u"&quot;";
        break;
      case u'<':
        script += u"&lt;";
        break;
      case u'>':
        script += u"&gt;";
        break;
      case u'\\':
        script += u"\\\\";
        break;
      case u'\n':
        script += u"\\n";
        break;
      case u'\r':
        script += u"\\r";
        break;
      default:
        script += c;
    }
  }
  return u"document.write(\"<a href='" + script + u"'>Rebuild index</a>\");";
}

namespace {

// Stale files of older installations.  The ones the install replaces are
// left in place until their replacement is complete.
const char16_t* const kStalePaths[] = {
    u"/docs/html/index.html",           u"/docs/html/qdxstyle.css",
    u"/docs/html/modules/qdxstyle.css", u"/html/modules/commands.html",
    u"/html/modules/qdxstyle.css",      u"/html/button.js",
    u"/html/modules/button.js",
};

}  // namespace

void RemoveStaleFiles(const std::vector<std::string>& kept) {
  std::string root;
  if (!PathBytes(App().rootPath, root)) return;
  std::vector<std::pair<dev_t, ino_t>> keptIds;
  for (const std::string& file : kept) {
    struct stat st;
    if (stat(file.c_str(), &st) == 0) keptIds.emplace_back(st.st_dev, st.st_ino);
  }
  for (const char16_t* stale : kStalePaths) {
    const std::string path = root + ToLatin1(stale);
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
    // A link itself is removed, never what it points to; a file reached
    // through a linked folder may be one the build has just put in place.
    bool keep = false;
    for (const auto& id : keptIds) keep |= id.first == st.st_dev && id.second == st.st_ino;
    if (!keep) unlink(path.c_str());
  }
}

String InstallPages(TIndexCommit& commit) {
  const AppState& app = App();
  const String indexPage = LoadTextFile(u"incbin::resources\\index.html");
  const String commandsPage = LoadTextFile(u"incbin::resources\\commands.html");
  const String styleSheet = LoadTextFile(u"incbin::resources\\qdxstyle.css");
  const String searchScript = LoadTextFile(u"incbin::resources\\search.js");
  const String searchStyle = LoadTextFile(u"incbin::resources\\search.css");
  // The link names the program as it is installed (build/Lexidor,
  // /usr/bin/lexidor); "Lexidor" when its file is unknown.
  const String programName = PathFileName(ProgramFile());
  const String target =
      ProgramDirectory() + u"/" + (programName == u"." ? String(u"Lexidor") : programName);
  PrintLine(u"AppDir : " + ProgramDirectory());
  PrintLine(u"Settings: " + SettingsFile());
  PrintLine(u"CurDir : " + WorkingDirectory());
  String button = ButtonScript(target);
  PrintLine(u"PostFile: <" + target + u"> -----");

  // A copy stays beside the settings file.  Where it cannot be written the
  // build goes on with the text it has in memory.
  const String localButton = SettingsDirectory() + u"/button.js";
  String error = MakeSettingsDirectory();
  if (error.empty()) error = SaveTextFileAtomically(button, localButton);
  std::string saved, localPath;
  if (error.empty() && PathBytes(localButton, localPath) && ReadWholeFile(localPath, &saved)) {
    button = FromLatin1(saved);
  } else if (!error.empty()) {
    PrintLine(u"Warning: " + error);
  }

  struct Install {
    const String* text;
    const char16_t* path;
  };
  const Install installs[] = {
      {&indexPage, u"/docs/html/index.html"},
      {&commandsPage, u"/docs/html/Modules/commands.html"},
      {&searchScript, u"/docs/html/Modules/search.js"},
      {&searchStyle, u"/docs/html/Modules/search.css"},
      {&styleSheet, u"/docs/html/qdxstyle.css"},
      {&styleSheet, u"/docs/html/Modules/qdxstyle.css"},
      {&button, u"/docs/html/button.js"},
      {&button, u"/docs/html/Modules/button.js"},
  };
  PrintLine(u"SaveText  <" + app.rootPath + u">");

  // Every file is written in full before any of them replaces its old copy;
  // the commit puts them in place with the index.
  for (const Install& install : installs) {
    auto file = std::make_unique<TAtomicFile>(app.rootPath + install.path);
    if (!file->Open() || !file->Write(TextFileBytes(*install.text)) || !file->Finish()) {
      PrintLine(file->Error());
      return file->Error();
    }
    commit.Add(std::move(file));
  }
  return String();
}

}  // namespace lexidor
