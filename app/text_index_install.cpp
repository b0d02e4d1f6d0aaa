#include "app/text_index_install.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/app_state.h"
#include "app/atomic_file.h"
#include "app/fulltext/text_build.h"
#include "app/link_rule.h"
#include "app/new_file.h"
#include "stream/file_system.h"
#include "stream/standard_io.h"
#include "stream/text_file.h"

namespace lexidor {

namespace {

// How many unreadable pages standard error names, one line each.
constexpr size_t kNamedProblems = 10;

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

// The generation folder the pointer file names ("g7"), "" when there is
// none or it cannot be read.
std::string PointedGeneration(const std::string& pointer) {
  std::string text;
  if (!ReadWholeFile(pointer, &text)) return std::string();
  const std::string key = "generation:\"";
  const size_t at = text.find(key);
  if (at == std::string::npos) return std::string();
  const size_t end = text.find('"', at + key.size());
  if (end == std::string::npos) return std::string();
  const std::string name = text.substr(at + key.size(), end - at - key.size());
  return GenerationNumber(name) >= 0 ? name : std::string();
}

// The cache's temporary files are "pages.cache." and six characters.
bool IsCacheLeftover(const std::string& name) {
  const std::string stem = "pages.cache.";
  return name.size() == stem.size() + 6 && name.compare(0, stem.size(), stem) == 0;
}

// Per page below docs/html, the anchors the command list links to, with
// the name of the command each one starts.
std::map<std::string, std::map<std::string, std::string>> CommandAnchors(const std::string& html) {
  // The commands come sorted by name, their pages in any order: they are
  // gathered by page in a hash table, a hash per command where a tree of
  // pages would compare long paths that share their first folders, and
  // the pages are put in order once at the end.
  std::unordered_map<std::string, std::map<std::string, std::string>> byPage;
  const std::string prefix = html + "/";
  for (const tcommand& command : App().commandList) {
    const std::string_view link = command.link;
    if (link.compare(0, prefix.size(), prefix) != 0) continue;
    const size_t hash = link.find('#', prefix.size());
    if (hash == std::string_view::npos) continue;
    std::string page(link.substr(prefix.size(), hash - prefix.size()));
    const std::string anchor(link.substr(hash + 1));
    if (anchor.empty()) continue;
    // Names are Latin-1 bytes; section titles are UTF-8.
    byPage[page].emplace(anchor, ToUtf8(FromLatin1(command.comando)));
  }
  std::vector<decltype(byPage)::iterator> pages;
  pages.reserve(byPage.size());
  for (auto it = byPage.begin(); it != byPage.end(); ++it) pages.push_back(it);
  std::sort(pages.begin(), pages.end(),
            [](const auto& a, const auto& b) { return a->first < b->first; });
  std::map<std::string, std::map<std::string, std::string>> anchors;
  for (const auto& it : pages)
    anchors.emplace_hint(anchors.end(), it->first, std::move(it->second));
  return anchors;
}

String Say(const std::string& line) {
  const String text = FromUtf8(line);
  PrintLine(text);
  return text;
}

}  // namespace

void SetTextIndexProgress(std::function<void(int)> report) { ProgressSink() = std::move(report); }

String InstallTextIndex() {
  // Byte paths throughout: a kit folder's name may hold "\\" or "::".
  const std::string root = ToLatin1(App().rootPath);
  const std::string html = root + "/docs/html";
  const std::string modules = html + "/Modules";
  const std::string folder = modules + "/textindex";
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
    const std::string why = "Full text: not built: cannot create " + folder + ": " + problem;
    Complain(why);
    return Say(why);
  }
  int64_t newest = 0;
  for (const std::string& name : FolderNames(folder)) {
    newest = std::max(newest, GenerationNumber(name));
  }
  // Above every folder there, a half-written one a killed build left
  // included: a folder is never written twice.
  const std::string generation = "g" + std::to_string(newest + 1);
  const std::string current = PointedGeneration(modules + "/textindex.js");

  fulltext::TextBuildOptions options;
  options.htmlFolder = html;
  options.outputFolder = folder + "/" + generation;
  options.generation = generation;
  options.cacheFile = folder + "/pages.cache";
  // A rebuild may keep the files of the pages that did not change.
  if (!current.empty() && stat((folder + "/" + current).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    options.previousFolder = folder + "/" + current;
  }
  options.anchors = CommandAnchors(html);
  options.skip = {"index.html", "rebuild.html", "Modules/commands.html"};
  const bool terminal = isatty(STDERR_FILENO) == 1;
  options.progress = [terminal](int percent) {
    if (terminal) {
      std::fprintf(stderr, "\rIndexing text\xE2\x80\xA6 %d%%", percent);
      if (percent == 100) std::fputs("\r\x1B[K", stderr);
      std::fflush(stderr);
    }
    if (ProgressSink()) ProgressSink()(percent);
  };

  fulltext::TextBuildSummary summary;
  try {
    summary = fulltext::BuildTextIndex(options);
  } catch (const std::exception& e) {
    summary.error = e.what();
  }
  if (terminal) std::fputs("\r\x1B[K", stderr);
  String pointerError;
  if (summary.error.empty()) {
    // The search script first, then the pointer: a page that reads the new
    // pointer finds a script that understands it.
    // The pages load one script: pako's inflater, the unpacker of the
    // index's files over it, the query's words, the ranking, then the
    // search engine.
    pointerError =
        SaveTextFileAtomically(LoadTextFile(u"incbin::resources\\pako_inflate.js") + u"\n" +
                                   LoadTextFile(u"incbin::resources\\unpack.js") + u"\n" +
                                   LoadTextFile(u"incbin::resources\\text_query.js") + u"\n" +
                                   LoadTextFile(u"incbin::resources\\text_rank.js") + u"\n" +
                                   LoadTextFile(u"incbin::resources\\fulltext.js") + u"\n" +
                                   LoadTextFile(u"incbin::resources\\text_segments.js"),
                               FromLatin1(modules + "/fulltext.js"));
    if (pointerError.empty()) {
      pointerError = SaveTextFileAtomically(u"var lexidorTextIndex={dir:\"textindex/" +
                                                FromLatin1(generation) + u"/\",generation:\"" +
                                                FromLatin1(generation) + u"\"};\n",
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
  // The generation the old pointer named stays for pages that loaded it
  // while this build ran; every other one goes, with what killed builds
  // left: folders no pointer ever named and their cache files half written.
  // Files the new generation kept from an older one are second names of
  // the same data: removing the older folder leaves them whole.
  for (const std::string& name : FolderNames(folder)) {
    const std::string owner = name.substr(0, name.find('.'));
    if (GenerationNumber(name) >= 0 && owner != current && owner != generation) {
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

}  // namespace lexidor
