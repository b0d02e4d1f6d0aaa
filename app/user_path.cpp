#include "app/user_path.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "runtime/program_paths.h"

namespace lexidor {

String ResolveDirectory(const String& typed, const String& base, const String& home) {
  if (typed.empty()) return typed;
  String path;
  if (typed == u"~" || typed.rfind(u"~/", 0) == 0) {
    path = (home.empty() ? base : home) + u"/" + typed.substr(1);
  } else if (typed[0] == u'/') {
    path = typed;
  } else {
    path = base + u"/" + typed;
  }
  std::vector<String> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find(u'/', start);
    if (slash == String::npos) slash = path.size();
    const String part = path.substr(start, slash - start);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    start = slash + 1;
  }
  String result;
  for (const String& part : parts) result += u"/" + part;
  return result.empty() ? String(u"/") : result;
}

String UserHome() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return FromLatin1(home);
  const passwd* account = getpwuid(getuid());
  if (account && account->pw_dir && account->pw_dir[0] == '/') return FromLatin1(account->pw_dir);
  return String();
}

String ResolveUserDirectory(const String& typed) {
  return ResolveDirectory(typed, LaunchDirectory(), UserHome());
}

String ChooserStartDirectory(const String& kit, const String& home) {
  String directory = home;
  const size_t slash = kit.rfind(u'/');
  if (slash != String::npos) directory = kit.substr(0, slash);
  while (!directory.empty() && directory.back() == u'/') directory.pop_back();
  // A chooser given a path without the final slash would open in its
  // parent, with the folder's name as the answer.
  return home.empty() && slash == String::npos ? String() : directory + u"/";
}

}  // namespace lexidor
