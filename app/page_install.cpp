#include "app/page_install.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "app/app_state.h"
#include "app/atomic_file.h"
#include "app/fulltext/durable_file.h"
#include "app/index_commit.h"
#include "app/new_file.h"
#include "app/rebuild_page.h"
#include "app/settings_location.h"
#include "runtime/program_paths.h"
#include "stream/file_system.h"
#include "stream/standard_io.h"
#include "stream/text_file.h"

namespace lexidor {

String ButtonScript(const String& target) {
  // The link names the program's file by its bytes: every byte outside the
  // few that stand for themselves in a url is percent-encoded, so that "#",
  // "%", quotes and non-ASCII bytes in a folder name reach that very file
  // (and nothing is left that the HTML or the script string must escape).
  static const char kHex[] = "0123456789ABCDEF";
  String href;
  auto put = [&](unsigned char byte) {
    const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                       (byte >= '0' && byte <= '9') || std::strchr("/._~-", byte) != nullptr;
    if (plain && byte != 0) {
      href += static_cast<char16_t>(byte);
    } else {
      href += u'%';
      href += static_cast<char16_t>(kHex[byte >> 4]);
      href += static_cast<char16_t>(kHex[byte & 15]);
    }
  };
  for (char16_t c : target) {
    // A path's characters are its bytes; anything wider goes as UTF-8.
    if (c < 0x100) {
      put(static_cast<unsigned char>(c));
    } else {
      for (char byte : ToUtf8(String(1, c))) put(static_cast<unsigned char>(byte));
    }
  }
  return u"document.write(\"<a href='" + href + u"'>Rebuild index</a>\");";
}

namespace {

const char* SearchPath() {
  const char* path = std::getenv("PATH");
  return path ? path : "";
}

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
  const String program =
      ProgramDirectory() + u"/" + (programName == u"." ? String(u"Lexidor") : programName);
  // A browser cannot run an installed program (it offers to download it):
  // there the link opens a page that gives the command line instead.
  const String rebuildPage = RebuildPage(
      LoadTextFile(u"incbin::resources\\rebuild.html"),
      RebuildCommand(
          ProgramCommand(ProgramDirectory(), PathFileName(program), FromLatin1(SearchPath())),
          app.rootPath));
  const String target = IsInstalledProgramFolder(ProgramDirectory())
                            ? app.rootPath + u"/docs/html/rebuild.html"
                            : program;
  PrintLine(u"AppDir : " + ProgramDirectory());
  PrintLine(u"Settings: " + SettingsFile());
  PrintLine(u"CurDir : " + WorkingDirectory());
  String button = ButtonScript(target);
  PrintLine(u"PostFile: <" + target + u"> -----");

  // A copy stays beside the settings file.  Where it cannot be written the
  // build goes on with the text it has in memory.
  const String localButton = SettingsDirectory() + u"/button.js";
  String error = MakeSettingsDirectory();
  std::string saved, localPath;
  // Saved again only when it differs, like the pages below.
  const std::string buttonBytes = TextFileBytes(button);
  const bool kept =
      PathBytes(localButton, localPath) && fulltext::FileHolds(localPath, buttonBytes);
  if (error.empty() && !kept) error = SaveTextFileAtomically(button, localButton);
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
      {&rebuildPage, u"/docs/html/rebuild.html"},
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
  // the commit puts them in place with the index.  A file that already holds
  // these bytes (a plain file of no other name, as an earlier build put it
  // in place: written and synced before its rename, its folder synced
  // after) is left as it is, neither written, synced nor renamed again: a
  // rebuild mostly finds them all so.
  for (const Install& install : installs) {
    const std::string bytes = TextFileBytes(*install.text);
    std::string target;
    if (PathBytes(app.rootPath + install.path, target) && fulltext::FileHolds(target, bytes)) {
      commit.AddInPlace(target);
      continue;
    }
    auto file = std::make_unique<TAtomicFile>(app.rootPath + install.path);
    if (!file->Open() || !file->Write(bytes) || !file->Finish()) {
      PrintLine(file->Error());
      return file->Error();
    }
    commit.Add(std::move(file));
  }
  return String();
}

}  // namespace lexidor
