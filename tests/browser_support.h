// Helpers for tests that drive a real headless browser over pages on disk,
// and the small file chores such tests need (temporary trees, whole-file
// reads and writes).
//
// All functions report failure through their results or by throwing
// std::runtime_error with the path and the reason; none of them skips.
#ifndef LEXIDOR_TESTS_BROWSER_SUPPORT_H_
#define LEXIDOR_TESTS_BROWSER_SUPPORT_H_

#include <string>
#include <vector>

namespace lexidor {
namespace test {

// A fresh directory under $TMPDIR (or /tmp), removed with everything in it
// when the object is destroyed.  Throws std::runtime_error when it cannot be
// made.
class TempDir {
 public:
  explicit TempDir(const std::string& tag = "lexidor");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Absolute path, without a trailing "/".
  const std::string& path() const { return path_; }
  // path() + "/" + relative.
  std::string Sub(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

// Removes a file or a directory tree; a missing path is no error.
void RemoveTree(const std::string& path);

// Creates the directory and its missing parents.  Throws on failure.
void MakeDirs(const std::string& path);

// Whole-file byte reads and writes.  WriteFile creates missing parent
// directories and truncates an existing file.  Both throw on failure.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
void CopyFile(const std::string& from, const std::string& to);

// Copies a directory tree, keeping the permission bits of files (so scripts
// stay executable).  Throws on failure.
void CopyTree(const std::string& from, const std::string& to);

// The browser executable: the first of chromium, chromium-browser,
// google-chrome found on PATH; "" when there is none.
std::string FindChromium();

// "file://" followed by the absolute path with every byte outside
// [A-Za-z0-9/._~-] percent-encoded, then the query text unchanged (pass it
// with its leading "?").
std::string FileUrl(const std::string& absolute_path, const std::string& query = "");

// Resolves a relative link as a browser does for the simple links of our
// pages: the base url cut after its last "/" (query and fragment dropped
// first), followed by the link.  Links holding "../" have the segment folded.
std::string ResolveLink(const std::string& base_url, const std::string& link);

// The outcome of one browser run.
struct BrowserRun {
  std::string url;
  bool ok = false;                   // started, ended by itself with status 0
  std::string error;                 // why not ok: start failure, timeout, status
  std::string dom;                   // serialised DOM (--dump-dom) or ""
  std::vector<std::string> console;  // messages the page logged (errors included)
};

// Loads each url in its own headless browser process with a fresh profile
// and returns the serialised DOM after the load.  At most `parallel` browsers
// run at a time; each run that takes longer than timeout_seconds is killed
// and reported as failed.  Results come in the order of `urls`.  When no
// browser is installed every run fails with that reason.
std::vector<BrowserRun> DumpDoms(const std::vector<std::string>& urls, int parallel = 3,
                                 int timeout_seconds = 60);
BrowserRun DumpDom(const std::string& url, int timeout_seconds = 60);

// Renders the url into a PNG of the given window size.  The run's dom is "".
BrowserRun Screenshot(const std::string& url, const std::string& png_path, int width, int height,
                      int timeout_seconds = 60);

// A link as found in a serialised DOM: its href and its text, both with the
// character references decoded.
struct PageLink {
  std::string href;
  std::string text;
};

// Every <a ...>text</a> of the DOM in document order, its text with any
// nested markup removed.  Anchors without href get an empty href.
std::vector<PageLink> ExtractLinks(const std::string& dom);

// Decodes the character references a serialised DOM uses: &amp; &lt; &gt;
// &quot; &nbsp; and numeric ones (&#39; &#x27;).  Characters above 127
// (&nbsp; among them) become UTF-8, as the rest of a dumped DOM is.
std::string DecodeEntities(const std::string& text);

// The DOM's text with tags removed and references decoded, for "is this
// sentence on the page" checks.
std::string VisibleText(const std::string& dom);

// True when some console message of the run reports an uncaught script
// error.  Failed resource loads do not count.
bool HasScriptError(const BrowserRun& run);

}  // namespace test
}  // namespace lexidor

#endif  // LEXIDOR_TESTS_BROWSER_SUPPORT_H_
