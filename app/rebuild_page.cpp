#include "app/rebuild_page.h"

namespace lexidor {

namespace {

bool IsShellSafe(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         String(u"/._-+,:@%").find(c) != String::npos;
}

String ShellWord(const String& word) {
  bool safe = !word.empty();
  for (char16_t c : word) safe = safe && IsShellSafe(c);
  if (safe) return word;
  String quoted = u"'";
  for (char16_t c : word) quoted += c == u'\'' ? String(u"'\\''") : String(1, c);
  return quoted + u"'";
}

}  // namespace

String ProgramCommand(const String& directory, const String& name, const String& searchPath) {
  size_t start = 0;
  while (start <= searchPath.size()) {
    size_t colon = searchPath.find(u':', start);
    if (colon == String::npos) colon = searchPath.size();
    String entry = searchPath.substr(start, colon - start);
    while (entry.size() > 1 && entry.back() == u'/') entry.pop_back();
    if (entry == directory) return name;
    start = colon + 1;
  }
  return directory == u"/" ? u"/" + name : directory + u"/" + name;
}

String RebuildCommand(const String& program, const String& root) {
  return ShellWord(program) + u" --kit " + ShellWord(root);
}

String RebuildPage(const String& page, const String& command) {
  String escaped;
  for (char16_t c : command) {
    switch (c) {
      case u'&':
        escaped += u"&amp;";
        break;
      case u'<':
        escaped += u"&lt;";
        break;
      case u'>':
        escaped += u"&gt;";
        break;
      case u'"':
        escaped += u"&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return ReplaceAll(page, u"@COMMAND@", escaped);
}

}  // namespace lexidor
