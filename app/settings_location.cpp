#include "app/settings_location.h"

#include <errno.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "app/link_rule.h"
#include "runtime/program_paths.h"

namespace lexidor {

namespace {

// Folders that hold installed programs besides the .../bin ones: settings
// written there would be shared by every user and lost with the next
// update, even when the one running the program (root) may write there.
const char16_t* const kSystemProgramFolders[] = {u"/usr/games", u"/usr/local/games"};

bool IsAbsolute(const char* path) { return path && path[0] == '/'; }

const char* HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (IsAbsolute(home)) return home;
  const passwd* account = getpwuid(getuid());
  return account && IsAbsolute(account->pw_dir) ? account->pw_dir : nullptr;
}

}  // namespace

bool IsInstalledProgramFolder(const String& directory) {
  for (const char16_t* folder : kSystemProgramFolders) {
    if (directory == folder) return true;
  }
  const size_t slash = directory.rfind(u'/');
  const String name = slash == String::npos ? directory : directory.substr(slash + 1);
  return name == u"bin" || name == u"sbin";
}

String ChooseSettingsDirectory(const SettingsPlaceFacts& facts) {
  if (facts.configBesideProgram) return facts.programDirectory;
  if (facts.programDirectoryWritable && !IsInstalledProgramFolder(facts.programDirectory)) {
    return facts.programDirectory;
  }
  if (IsAbsolute(facts.xdgConfigHome)) {
    String config = FromLatin1(facts.xdgConfigHome);
    while (!config.empty() && config.back() == u'/') config.pop_back();
    return config + u"/lexidor";
  }
  // With no home at all there is nowhere else: the program's folder it is,
  // and a save names it when it fails.
  if (!facts.home) return facts.programDirectory;
  String home = FromLatin1(facts.home);
  if (home.size() > 1 && home.back() == u'/') home.pop_back();
  if (home == u"/") home.clear();
  return home + u"/.config/lexidor";
}

const String& SettingsDirectory() {
  static const String directory = [] {
    SettingsPlaceFacts facts;
    facts.programDirectory = ProgramDirectory();
    const std::string program = ToLatin1(facts.programDirectory);
    facts.configBesideProgram = access((program + "/config.txt").c_str(), F_OK) == 0;
    facts.programDirectoryWritable = access(program.c_str(), W_OK | X_OK) == 0;
    facts.xdgConfigHome = std::getenv("XDG_CONFIG_HOME");
    facts.home = HomeDirectory();
    return ChooseSettingsDirectory(facts);
  }();
  return directory;
}

String SettingsFile() { return SettingsDirectory() + u"/config.txt"; }

String SettingsFolderProblem() {
  const std::string reason = UntrustedFolderReason(ToLatin1(SettingsDirectory()));
  if (reason.empty()) return String();
  return u"Cannot use the settings folder " + SettingsDirectory() + u": it " + FromLatin1(reason);
}

String MakeSettingsDirectory() {
  const String& directory = SettingsDirectory();
  if (directory == ProgramDirectory()) return SettingsFolderProblem();
  const std::string path = ToLatin1(directory);
  // Each missing folder from the top down; one that exists is left as it is.
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      return u"Cannot create the settings folder " + FromLatin1(part) + u": " +
             FromLatin1(std::strerror(errno));
    }
    if (slash == std::string::npos) break;
  }
  struct stat st;
  const int problem = stat(path.c_str(), &st) != 0 ? errno : S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  if (problem) {
    return u"Cannot create the settings folder " + directory + u": " +
           FromLatin1(std::strerror(problem));
  }
  return SettingsFolderProblem();
}

}  // namespace lexidor
