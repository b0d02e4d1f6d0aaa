#include "tests/browser_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace lexidor {
namespace test {

namespace {

std::runtime_error Failure(const std::string& what, const std::string& path, int err) {
  return std::runtime_error(what + " " + path + ": " + std::strerror(err));
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ParentOf(const std::string& path) {
  std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos) return "";
  return path.substr(0, slash);
}

void AppendUtf8(std::string& out, unsigned long code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// One browser process on its way.
struct Job {
  BrowserRun run;
  std::string profile_dir;
  std::string out_path;
  std::string err_path;
  pid_t pid = -1;
  std::chrono::steady_clock::time_point started;
  bool done = false;
};

std::vector<std::string> BrowserArguments(const std::string& browser, const std::string& profile,
                                          const std::vector<std::string>& extra) {
  std::vector<std::string> args = {browser,
                                   "--headless",
                                   "--no-sandbox",
                                   "--disable-gpu",
                                   "--disable-dev-shm-usage",
                                   "--no-first-run",
                                   "--no-default-browser-check",
                                   "--disable-background-networking",
                                   "--disable-component-update",
                                   "--disable-sync",
                                   "--disable-extensions",
                                   "--user-data-dir=" + profile,
                                   "--enable-logging=stderr",
                                   "--v=0"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// Starts the browser with stdout and stderr going to the job's files.  The
// child leads its own process group so that a stuck run can be ended with
// all its helper processes.
void StartJob(Job& job, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int out = open(job.out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  int err = open(job.err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (out < 0 || err < 0) {
    int e = errno;
    if (out >= 0) close(out);
    if (err >= 0) close(err);
    job.run.error = std::string("cannot create the output files: ") + std::strerror(e);
    job.done = true;
    return;
  }
  job.started = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    int null_in = open("/dev/null", O_RDONLY);
    if (null_in >= 0) dup2(null_in, 0);
    dup2(out, 1);
    dup2(err, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int fork_error = errno;
  close(out);
  close(err);
  if (pid < 0) {
    job.run.error = std::string("cannot start the browser: ") + std::strerror(fork_error);
    job.done = true;
    return;
  }
  setpgid(pid, pid);
  job.pid = pid;
}

std::string ReadIfPresent(const std::string& path) {
  try {
    return ReadFile(path);
  } catch (const std::exception&) {
    return "";
  }
}

void CollectConsole(Job& job, const std::string& log) {
  std::istringstream lines(log);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find(":CONSOLE") == std::string::npos) continue;
    std::string::size_type close_bracket = line.find("] ");
    job.run.console.push_back(close_bracket == std::string::npos ? line
                                                                 : line.substr(close_bracket + 2));
  }
}

void FinishJob(Job& job, int status) {
  // Helpers of the browser may outlive it for a moment; end the whole group.
  kill(-job.pid, SIGKILL);
  std::string log = ReadIfPresent(job.err_path);
  CollectConsole(job, log);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    job.run.ok = true;
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
    job.run.error = "the browser could not be executed";
  } else {
    std::ostringstream why;
    if (WIFEXITED(status)) {
      why << "the browser ended with status " << WEXITSTATUS(status);
    } else {
      why << "the browser was ended by signal " << WTERMSIG(status);
    }
    std::string tail = log.size() > 2000 ? log.substr(log.size() - 2000) : log;
    job.run.error = why.str() + "; its log ends with:\n" + tail;
  }
  job.done = true;
}

// Runs the jobs, at most `parallel` at a time, each with its own deadline.
void RunJobs(std::vector<Job>& jobs, const std::vector<std::vector<std::string>>& args,
             int parallel, int timeout_seconds) {
  if (parallel < 1) parallel = 1;
  size_t next = 0;
  int running = 0;
  for (;;) {
    while (running < parallel && next < jobs.size()) {
      Job& job = jobs[next];
      StartJob(job, args[next]);
      ++next;
      if (!job.done) ++running;
    }
    if (running == 0 && next >= jobs.size()) break;
    for (Job& job : jobs) {
      if (job.done || job.pid < 0) continue;
      int status = 0;
      pid_t r = waitpid(job.pid, &status, WNOHANG);
      if (r == job.pid) {
        FinishJob(job, status);
        --running;
        continue;
      }
      auto elapsed = std::chrono::steady_clock::now() - job.started;
      if (elapsed > std::chrono::seconds(timeout_seconds)) {
        kill(-job.pid, SIGKILL);
        waitpid(job.pid, &status, 0);
        job.run.error =
            "the browser did not finish within " + std::to_string(timeout_seconds) + " s";
        job.done = true;
        --running;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::vector<BrowserRun> RunBrowser(const std::vector<std::string>& urls,
                                   const std::vector<std::vector<std::string>>& modes,
                                   bool want_dom, int parallel, int timeout_seconds) {
  std::vector<BrowserRun> results(urls.size());
  std::string browser = FindChromium();
  if (browser.empty()) {
    for (size_t i = 0; i < urls.size(); ++i) {
      results[i].url = urls[i];
      results[i].error = "no chromium found on PATH (install it with scripts/install-deps)";
    }
    return results;
  }
  TempDir work("lexidor-browser");
  std::vector<Job> jobs(urls.size());
  std::vector<std::vector<std::string>> args;
  for (size_t i = 0; i < urls.size(); ++i) {
    Job& job = jobs[i];
    job.run.url = urls[i];
    std::string n = std::to_string(i);
    job.profile_dir = work.Sub("profile" + n);
    job.out_path = work.Sub("out" + n);
    job.err_path = work.Sub("err" + n);
    MakeDirs(job.profile_dir);
    std::vector<std::string> extra = modes[i];
    extra.push_back(urls[i]);
    args.push_back(BrowserArguments(browser, job.profile_dir, extra));
  }
  RunJobs(jobs, args, parallel, timeout_seconds);
  for (size_t i = 0; i < jobs.size(); ++i) {
    results[i] = jobs[i].run;
    if (want_dom && results[i].ok) {
      results[i].dom = ReadIfPresent(jobs[i].out_path);
      if (results[i].dom.empty()) {
        results[i].ok = false;
        results[i].error = "the browser printed no DOM";
      }
    }
  }
  return results;
}

}  // namespace

TempDir::TempDir(const std::string& tag) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + tag + "-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) throw Failure("cannot create", pattern, errno);
  path_ = buffer.data();
}

TempDir::~TempDir() { RemoveTree(path_); }

void RemoveTree(const std::string& path) {
  if (IsDirectory(path)) {
    if (DIR* dir = opendir(path.c_str())) {
      while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        RemoveTree(path + "/" + name);
      }
      closedir(dir);
    }
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

void MakeDirs(const std::string& path) {
  if (path.empty() || IsDirectory(path)) return;
  MakeDirs(ParentOf(path));
  if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
    throw Failure("cannot create directory", path, errno);
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure("cannot open", path, errno);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  MakeDirs(ParentOf(path));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw Failure("cannot create", path, errno);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw Failure("cannot write", path, errno);
}

void CopyFile(const std::string& from, const std::string& to) { WriteFile(to, ReadFile(from)); }

void CopyTree(const std::string& from, const std::string& to) {
  struct stat st;
  if (stat(from.c_str(), &st) != 0) throw Failure("cannot read", from, errno);
  if (!S_ISDIR(st.st_mode)) {
    CopyFile(from, to);
    if (chmod(to.c_str(), st.st_mode & 07777) != 0) throw Failure("cannot chmod", to, errno);
    return;
  }
  MakeDirs(to);
  DIR* dir = opendir(from.c_str());
  if (dir == nullptr) throw Failure("cannot list", from, errno);
  std::vector<std::string> names;
  while (struct dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  for (const std::string& name : names) CopyTree(from + "/" + name, to + "/" + name);
}

std::string FindChromium() {
  const char* path_env = std::getenv("PATH");
  std::string path = path_env ? path_env : "/usr/local/bin:/usr/bin:/bin";
  for (const char* name : {"chromium", "chromium-browser", "google-chrome"}) {
    std::istringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
      if (dir.empty()) continue;
      std::string candidate = dir + "/" + name;
      if (access(candidate.c_str(), X_OK) == 0 && !IsDirectory(candidate)) return candidate;
    }
  }
  return "";
}

std::string FileUrl(const std::string& absolute_path, const std::string& query) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : absolute_path) {
    if (std::isalnum(c) || c == '/' || c == '.' || c == '_' || c == '~' || c == '-') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url + query;
}

std::string ResolveLink(const std::string& base_url, const std::string& link) {
  std::string base = base_url.substr(0, base_url.find_first_of("?#"));
  base = base.substr(0, base.find_last_of('/') + 1);
  std::string rest = link;
  const std::string::size_type root = std::string("file:///").size();
  while (rest.compare(0, 3, "../") == 0) {
    rest.erase(0, 3);
    if (base.size() > root) base.erase(base.find_last_of('/', base.size() - 2) + 1);
  }
  return base + rest;
}

std::vector<BrowserRun> DumpDoms(const std::vector<std::string>& urls, int parallel,
                                 int timeout_seconds) {
  std::vector<std::vector<std::string>> modes(urls.size(), {"--dump-dom"});
  return RunBrowser(urls, modes, true, parallel, timeout_seconds);
}

BrowserRun DumpDom(const std::string& url, int timeout_seconds) {
  return DumpDoms({url}, 1, timeout_seconds).front();
}

BrowserRun Screenshot(const std::string& url, const std::string& png_path, int width, int height,
                      int timeout_seconds) {
  std::vector<std::vector<std::string>> modes = {
      {"--hide-scrollbars", "--screenshot=" + png_path,
       "--window-size=" + std::to_string(width) + "," + std::to_string(height)}};
  BrowserRun run = RunBrowser({url}, modes, false, 1, timeout_seconds).front();
  struct stat st;
  if (run.ok && (stat(png_path.c_str(), &st) != 0 || st.st_size == 0)) {
    run.ok = false;
    run.error = "the browser wrote no screenshot to " + png_path;
  }
  return run;
}

std::string DecodeEntities(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    std::string::size_type semi = text.find(';', i);
    if (semi == std::string::npos || semi - i > 10) {
      out += '&';
      continue;
    }
    std::string name = text.substr(i + 1, semi - i - 1);
    unsigned long code = 0;
    bool known = true;
    if (name == "amp") {
      code = '&';
    } else if (name == "lt") {
      code = '<';
    } else if (name == "gt") {
      code = '>';
    } else if (name == "quot") {
      code = '"';
    } else if (name == "apos") {
      code = '\'';
    } else if (name == "nbsp") {
      code = 0xA0;
    } else if (name.size() > 1 && name[0] == '#') {
      bool hex = name[1] == 'x' || name[1] == 'X';
      std::string digits = name.substr(hex ? 2 : 1);
      char* end = nullptr;
      code = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
      known = !digits.empty() && end && *end == '\0';
    } else {
      known = false;
    }
    if (!known) {
      out += '&';
      continue;
    }
    AppendUtf8(out, code);
    i = semi;
  }
  return out;
}

std::vector<PageLink> ExtractLinks(const std::string& dom) {
  std::vector<PageLink> links;
  std::string::size_type pos = 0;
  while ((pos = dom.find("<a", pos)) != std::string::npos) {
    // Markup quoted in a script's source is no link.
    std::string::size_type script = dom.rfind("<script", pos);
    if (script != std::string::npos) {
      std::string::size_type script_end = dom.find("</script>", script);
      if (script_end == std::string::npos) break;
      if (script_end > pos) {
        pos = script_end;
        continue;
      }
    }
    char after = pos + 2 < dom.size() ? dom[pos + 2] : '\0';
    if (after != ' ' && after != '>') {
      pos += 2;
      continue;
    }
    // Attribute values are serialised in double quotes with '"' escaped, so
    // the tag ends at the first '>' outside quotes.
    std::string::size_type end = pos + 2;
    bool quoted = false;
    while (end < dom.size() && (quoted || dom[end] != '>')) {
      if (dom[end] == '"') quoted = !quoted;
      ++end;
    }
    if (end >= dom.size()) break;
    std::string tag = dom.substr(pos, end - pos);
    std::string::size_type close = dom.find("</a>", end);
    if (close == std::string::npos) break;
    std::string content = dom.substr(end + 1, close - end - 1);
    pos = close + 4;
    // Markup inside (a highlighted part of the text) counts as its text.
    std::string plain;
    bool in_tag = false;
    for (char c : content) {
      if (c == '<') in_tag = true;
      if (!in_tag) plain += c;
      if (c == '>') in_tag = false;
    }
    PageLink link;
    std::string::size_type href = tag.find(" href=\"");
    if (href != std::string::npos) {
      std::string::size_type start = href + 7;
      link.href = DecodeEntities(tag.substr(start, tag.find('"', start) - start));
    }
    link.text = DecodeEntities(plain);
    links.push_back(link);
  }
  return links;
}

std::string VisibleText(const std::string& dom) {
  std::string text;
  std::string::size_type pos = 0;
  while (pos < dom.size()) {
    if (dom[pos] != '<') {
      text += dom[pos++];
      continue;
    }
    for (const char* raw : {"script", "style"}) {
      std::string open = std::string("<") + raw;
      if (dom.compare(pos, open.size(), open) == 0) {
        std::string::size_type close = dom.find(std::string("</") + raw + ">", pos);
        pos = close == std::string::npos ? dom.size() : close;
      }
    }
    std::string::size_type end = dom.find('>', pos);
    pos = end == std::string::npos ? dom.size() : end + 1;
  }
  return DecodeEntities(text);
}

bool HasScriptError(const BrowserRun& run) {
  for (const std::string& message : run.console) {
    if (message.find("Uncaught") != std::string::npos) return true;
  }
  return false;
}

}  // namespace test
}  // namespace lexidor
