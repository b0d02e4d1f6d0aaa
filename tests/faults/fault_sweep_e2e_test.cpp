// The fault sweep: the built program builds an index while a preloaded
// library fails one of its file operations (each in turn) or kills it at
// one of them.  After each run the pages must see a whole index, old or new,
// no temporary file may be left, and the exit status and message must say
// what happened.  LEXIDOR_FAULT_SWEEP=long (make check-faults) tries every
// error at every call and kills a large kit's build at each rename.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/browser_support.h"
#include "tests/program_runner.h"

namespace lexidor {
namespace {

bool LongSweep() {
  const char* mode = std::getenv("LEXIDOR_FAULT_SWEEP");
  return mode && std::string(mode) == "long";
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) names.push_back(e->d_name);
    closedir(d);
  }
  return names;
}

// A program copy and a kit whose list alternates between `size` and
// `size` + 1 commands, so that every build changes the index.
class SweepKit {
 public:
  explicit SweepKit(size_t size) : dir_("lexidor-faults"), size_(size) {
    prog_ = dir_.Sub("prog");
    kit_ = dir_.Sub("kit");
    html_ = kit_ + "/docs/html";
    modules_ = html_ + "/Modules";
    test::MakeDirs(prog_);
    test::MakeDirs(modules_);
    test::CopyFile(test::LexidorBinary(), prog_ + "/Lexidor");
    chmod((prog_ + "/Lexidor").c_str(), 0755);
    test::WriteFile(prog_ + "/config.txt", kit_ + "\r\n0\r\n");
  }

  // Writes the next list and runs a build under `fault` (name=value pairs
  // for the library); returns what the build said and did.
  test::RunResult Build(const std::map<std::string, std::string>& fault = {}) {
    ++builds_;
    std::string list;
    const size_t n = size_ + builds_ % 2;
    for (size_t i = 0; i < n; ++i) {
      list += "Cmd" + std::to_string(i) + "|/docs/html/Modules/m" + std::to_string(i % 7) +
              "/index.html\n";
    }
    test::WriteFile(modules_ + "/commands.txt", list);
    expected_ = n;
    test::RunOptions options;
    options.args = {"batch"};
    options.env["DISPLAY"] = "";
    options.env["LD_PRELOAD"] = LEXIDOR_FAULT_SHIM;
    options.env["LEXIDOR_FAULT_DIR"] = kit_ + "/";
    for (const auto& [name, value] : fault) options.env[name] = value;
    return test::RunProgram(prog_ + "/Lexidor", options);
  }

  // How often a build calls each operation on the kit.
  std::map<std::string, long> Counts() {
    const std::string file = dir_.Sub("counts");
    Build({{"LEXIDOR_FAULT_COUNTS", file}});
    std::map<std::string, long> counts;
    std::istringstream in(test::ReadFile(file));
    std::string op;
    long n;
    while (in >> op >> n) counts[op] = n;
    return counts;
  }

  // "" when the pages see a whole index: first.js names a folder that
  // holds every list it promises, with as many names as it counts.  Sets
  // *total to that count.
  std::string Whole(long* total) const {
    const std::string first = test::ReadFile(modules_ + "/first.js");
    std::smatch m;
    if (!std::regex_search(first, m,
                           std::regex("total:([0-9]+),rowFiles:([0-9]+),.*folder:\"([^\"]+)/\""))) {
      return "first.js unreadable: " + first.substr(0, 200);
    }
    *total = std::stol(m[1]);
    const long rowFiles = std::stol(m[2]);
    const std::string folder = modules_ + "/" + m[3].str() + "/";
    if (test::ReadFile(folder + "first.js") != first) return "first.js differs from " + folder;
    const std::string command = test::ReadFile(folder + "command.js");
    long names = 0;
    for (size_t at = 0; (at = command.find("\"Cmd", at)) != std::string::npos; ++at) ++names;
    if (names != *total) return "command.js holds " + std::to_string(names) + " names";
    for (const char* list : {"links.js", "modules.js", "mod.js"}) {
      if (!Exists(folder + list)) return std::string("no ") + list;
    }
    for (long k = 0; k < rowFiles; ++k) {
      if (!Exists(folder + "rows" + std::to_string(k) + ".js")) return "rows file missing";
    }
    return std::string();
  }

  // Temporary files, backups, journals and folders of builds other than the
  // current one.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> found;
    for (const std::string& dir : {html_, modules_}) {
      int folders = 0;
      for (const std::string& name : Names(dir)) {
        if (name.rfind(".lexidor-", 0) == 0 || name.find(".tmp") != std::string::npos) {
          found.push_back(name);
        }
        folders += name.rfind("lexidor-index-", 0) == 0;
      }
      if (folders > 1) found.push_back(std::to_string(folders) + " build folders");
    }
    return found;
  }

  size_t Expected() const { return expected_; }

 private:
  test::TempDir dir_;
  std::string prog_, kit_, html_, modules_;
  size_t size_;
  size_t expected_ = 0;
  int builds_ = 0;
};

std::string Join(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += name + " ";
  return text;
}

struct Fault {
  const char* op;
  std::vector<std::string> errors;  // errno numbers, or "short"
};

void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.op; }

class FaultSweep : public testing::TestWithParam<Fault> {};

// Each call of the operation fails in turn (the quick sweep gives each call
// one of the errors, the long one every error).
TEST_P(FaultSweep, EveryFailedCallLeavesAWholeIndexAndSaysWhy) {
  const Fault& fault = GetParam();
  SweepKit kit(5);
  ASSERT_EQ(kit.Build().exit_status, 0);
  long total = 0;
  ASSERT_EQ(kit.Whole(&total), "");
  const long calls = kit.Counts()[fault.op];
  ASSERT_GT(calls, 0) << fault.op;
  ASSERT_EQ(kit.Whole(&total), "");
  for (long n = 1; n <= calls; ++n) {
    for (size_t e = 0; e < fault.errors.size(); ++e) {
      if (!LongSweep() && e != static_cast<size_t>(n) % fault.errors.size()) continue;
      const std::string& error = fault.errors[e];
      SCOPED_TRACE(std::string(fault.op) + " call " + std::to_string(n) + " fails with " + error);
      const long before = total;
      test::RunResult r = kit.Build({{"LEXIDOR_FAULT_OP", fault.op},
                                     {"LEXIDOR_FAULT_AT", std::to_string(n)},
                                     {"LEXIDOR_FAULT_ERRNO", error}});
      ASSERT_EQ(kit.Whole(&total), "");
      if (r.exit_status == 0) {
        EXPECT_EQ(total, static_cast<long>(kit.Expected()));
        // The text index is made once the name index is in place: a fault
        // there leaves the new name index and is named on standard error.
        if (error != "short" && !r.err.empty()) {
          const std::string reason = std::strerror(std::stoi(error));
          EXPECT_TRUE(std::regex_match(
              r.err,
              std::regex("Lexidor: (Full text: not built: .*|cannot index /.*): " + reason + "\n")))
              << r.err;
        } else {
          EXPECT_EQ(r.err, "");
        }
      } else {
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.exit_status, 1);
        EXPECT_EQ(total, before) << "a failed build changed the index";
        EXPECT_NE(error, "short") << "a short write is no failure";
        if (error != "short") {
          const std::string reason = std::strerror(std::stoi(error));
          EXPECT_TRUE(std::regex_search(
              r.out, std::regex("\nCannot (write|open|read) /[^\r]*: " + reason + "\r\n")))
              << r.out;
        }
      }
      // A file that could not be removed may stay until the next build.
      std::vector<std::string> left = kit.Leftovers();
      if (!left.empty() && std::string(fault.op) == "unlink") {
        ASSERT_EQ(kit.Build().exit_status, 0);
        ASSERT_EQ(kit.Whole(&total), "");
        left = kit.Leftovers();
      }
      EXPECT_EQ(Join(left), "");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Operations, FaultSweep,
    testing::Values(Fault{"open", {"13", "28", "5"}}, Fault{"write", {"5", "28", "short"}},
                    Fault{"fsync", {"5", "28"}}, Fault{"close", {"5", "28"}},
                    Fault{"rename", {"5", "13"}}, Fault{"unlink", {"5", "13"}},
                    Fault{"link", {"1", "5", "28"}}, Fault{"mkdir", {"13", "28"}}),
    [](const testing::TestParamInfo<Fault>& info) { return std::string(info.param.op); });

// A kill at any rename of a large kit's build leaves the pages a whole
// index; the next build undoes or finishes what the killed one began and
// removes what it left.  SIGTERM and SIGINT at any write remove the build's
// own files at once.
TEST(KillSweep, AKilledBuildLeavesAWholeIndexAndTheNextOneCleansUp) {
  SweepKit kit(LongSweep() ? 200000 : 20000);
  ASSERT_EQ(kit.Build().exit_status, 0);
  std::map<std::string, long> counts = kit.Counts();
  struct Kill {
    const char* op;
    int signal;
  };
  for (const Kill& kill :
       {Kill{"rename", SIGKILL}, Kill{"write", SIGTERM}, Kill{"fsync", SIGINT}}) {
    const long calls = counts[kill.op];
    ASSERT_GT(calls, 0) << kill.op;
    // Every rename; of the many writes and syncs, some 20 (100 in the long
    // sweep) spread over the build.
    const long step = kill.signal == SIGKILL ? 1 : std::max(1L, calls / (LongSweep() ? 100 : 20));
    for (long n = 1; n <= calls; n += step) {
      SCOPED_TRACE(std::string("signal ") + std::to_string(kill.signal) + " at " + kill.op + " " +
                   std::to_string(n));
      test::RunResult r = kit.Build({{"LEXIDOR_FAULT_OP", kill.op},
                                     {"LEXIDOR_FAULT_AT", std::to_string(n)},
                                     {"LEXIDOR_FAULT_SIGNAL", std::to_string(kill.signal)}});
      long total = 0;
      ASSERT_EQ(kit.Whole(&total), "");
      if (r.exit_status == 0) continue;  // held off until the index was whole
      EXPECT_EQ(r.exit_status, 128 + kill.signal);
      if (kill.signal != SIGKILL) {
        EXPECT_EQ(Join(kit.Leftovers()), "");
      }
      ASSERT_EQ(kit.Build().exit_status, 0);
      ASSERT_EQ(kit.Whole(&total), "");
      EXPECT_EQ(total, static_cast<long>(kit.Expected()));
      EXPECT_EQ(Join(kit.Leftovers()), "");
    }
  }
}

}  // namespace
}  // namespace lexidor
