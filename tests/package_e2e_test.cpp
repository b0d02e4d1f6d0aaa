// The Debian package, made with this build's CPack, unpacked into a
// throwaway root and run from there as an unprivileged user with a fresh
// home: the way a user meets the installed program.
#include <dirent.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <regex>
#include <set>
#include <string>

#include "app/app_state.h"
#include "tests/browser_support.h"
#include "tests/program_runner.h"
#include "tests/x11_session.h"

namespace lexidor {
namespace {

using test::ReadFile;
using test::RunOptions;
using test::RunProgram;
using test::RunResult;

constexpr uid_t kNobody = 65534;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

RunResult Tool(const std::string& program, std::vector<std::string> args,
               std::map<std::string, std::string> env = {}) {
  RunOptions options;
  options.args = std::move(args);
  options.env = std::move(env);
  options.timeout_ms = 180000;
  return RunProgram(program, options);
}

// The names of the plain files in `dir`.
std::set<std::string> FilesIn(const std::string& dir) {
  std::set<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      struct stat st;
      if (stat((dir + "/" + e->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        names.insert(e->d_name);
      }
    }
    closedir(d);
  }
  return names;
}

uid_t owner_for_chown;
int ChownEntry(const char* path, const struct stat*, int, FTW*) {
  return lchown(path, owner_for_chown, owner_for_chown);
}

class Package : public testing::Test {
 protected:
  Package() : dir_("lexidor-package") {
    // The unprivileged user must reach the temporary folders.
    chmod(dir_.path().c_str(), 0755);
    root_ = dir_.Sub("root");
    home_ = dir_.Sub("home");
    kit_ = dir_.Sub("kit");
    program_ = root_ + "/usr/bin/lexidor";
    test::MakeDirs(home_);
    test::CopyTree(test::SampleKit(), kit_);
  }

  // Runs the installed program as `nobody` when the test runs as root;
  // otherwise as the test's own user, with the program's folder read-only.
  RunResult RunInstalled(std::vector<std::string> args, const std::string& stdin_data = "") {
    RunOptions options;
    options.stdin_data = stdin_data;
    options.env = {{"HOME", home_}, {"XDG_CONFIG_HOME", ""}, {"DISPLAY", ""}};
    options.working_directory = "/";
    if (getuid() != 0) {
      options.args = std::move(args);
      return RunProgram(program_, options);
    }
    options.args = {"--reuid=" + std::to_string(kNobody), "--regid=" + std::to_string(kNobody),
                    "--clear-groups", program_};
    options.args.insert(options.args.end(), args.begin(), args.end());
    return RunProgram("/usr/bin/setpriv", options);
  }

  test::TempDir dir_;
  std::string root_, home_, kit_, program_;
};

TEST_F(Package, InstalledProgramKeepsItsSettingsInTheUsersHome) {
  // Build the package into a folder of its own and unpack it.
  const std::string version = ToUtf8(kVersionText);
  const std::string deb = dir_.Sub("lexidor_" + version + "_amd64.deb");
  // Twice, a second apart: one date for every file makes the same bytes.
  const std::string config = std::string(LEXIDOR_BINARY_DIR) + "/CPackConfig.cmake";
  const std::map<std::string, std::string> date = {{"SOURCE_DATE_EPOCH", "1765000000"}};
  RunResult made = Tool(LEXIDOR_CPACK, {"--config", config, "-B", dir_.Sub("again")}, date);
  ASSERT_EQ(made.exit_status, 0) << made.out << made.err;
  sleep(1);
  made = Tool(LEXIDOR_CPACK, {"--config", config, "-B", dir_.path()}, date);
  ASSERT_EQ(made.exit_status, 0) << made.out << made.err;
  ASSERT_TRUE(Exists(deb)) << made.out;
  EXPECT_EQ(ReadFile(deb), ReadFile(dir_.Sub("again/lexidor_" + version + "_amd64.deb")));
  RunResult depends = Tool("/usr/bin/dpkg-deb", {"-f", deb, "Depends", "Recommends"});
  EXPECT_NE(depends.out.find("libfltk1.3"), std::string::npos) << depends.out;
  EXPECT_NE(depends.out.find("Recommends: xdg-utils\n"), std::string::npos) << depends.out;
  // Nothing at all, down to the pedantic notes and the hardening ones.
  RunResult lint = Tool("/usr/bin/lintian", {"--pedantic", "-I", deb});
  std::string notes = lint.out;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // A sanitized build is not built with the package's hardening flags.
  notes = std::regex_replace(notes, std::regex("I: lexidor: hardening-[^\n]*\n"), "");
#endif
  EXPECT_FALSE(std::regex_search(notes, std::regex("(^|\n)[EWIPX]: "))) << lint.out;
  ASSERT_EQ(Tool("/usr/bin/dpkg-deb", {"-x", deb, root_}).exit_status, 0);
  for (const char* file :
       {"/usr/share/applications/lexidor.desktop", "/usr/share/man/man1/lexidor.1.gz",
        "/usr/share/icons/hicolor/scalable/apps/lexidor.svg",
        "/usr/share/icons/hicolor/48x48/apps/lexidor.png",
        "/usr/share/bash-completion/completions/lexidor"}) {
    EXPECT_TRUE(Exists(root_ + file)) << file;
  }
  const std::string desktop_file = root_ + "/usr/share/applications/lexidor.desktop";
  RunResult desktop = Tool("/usr/bin/desktop-file-validate", {desktop_file});
  EXPECT_EQ(desktop.exit_status, 0) << desktop.out << desktop.err;
  EXPECT_NE(ReadFile(desktop_file).find("\nStartupWMClass=lexidor\n"), std::string::npos);
  RunResult metainfo = Tool("/usr/bin/appstreamcli",
                            {"validate", "--no-net", "--pedantic",
                             root_ + "/usr/share/metainfo/example.lexidor.lexidor.metainfo.xml"});
  EXPECT_EQ(metainfo.exit_status, 0) << metainfo.out;
  EXPECT_FALSE(std::regex_search(metainfo.out, std::regex("(^|\n)[EWP]: "))) << metainfo.out;
  const std::string copyright = ReadFile(root_ + "/usr/share/doc/lexidor/copyright");
  EXPECT_EQ(copyright.rfind("Format: https://www.debian.org/doc/packaging-manuals/"
                            "copyright-format/1.0/\n",
                            0),
            0u);
  EXPECT_NE(copyright.find("\nLicense: Expat\n"), std::string::npos);
  RunResult manual =
      Tool("/bin/sh", {"-c", "zcat '" + root_ + "/usr/share/man/man1/lexidor.1.gz'"});
  EXPECT_TRUE(
      std::regex_search(manual.out, std::regex("^\\.TH LEXIDOR 1 \"[0-9]{4}-[0-9]{2}-[0-9]{2}\"")))
      << manual.out.substr(0, 80);

  if (getuid() == 0) {
    owner_for_chown = kNobody;
    ASSERT_EQ(nftw(home_.c_str(), ChownEntry, 16, FTW_PHYS), 0);
    ASSERT_EQ(nftw(kit_.c_str(), ChownEntry, 16, FTW_PHYS), 0);
  } else {
    chmod((root_ + "/usr/bin").c_str(), 0555);
  }
  const std::string settings = home_ + "/.config/lexidor";

  RunResult help = RunInstalled({"--help"});
  EXPECT_EQ(help.exit_status, 0) << help.err;
  EXPECT_EQ(help.out.rfind("Usage: lexidor", 0), 0u) << help.out;
  EXPECT_NE(help.out.find("setting): " + settings + "/config.txt\n"), std::string::npos)
      << help.out;
  RunResult shown = RunInstalled({"--version"});
  EXPECT_EQ(shown.exit_status, 0);
  EXPECT_EQ(shown.out, "Lexidor " + version + "\n");
  EXPECT_FALSE(Exists(home_ + "/.config")) << "--help and --version write nothing";

  // First run: no settings anywhere, so the kit's folder is asked for on
  // the console, and the answer is kept in the user's settings folder.
  RunResult first = RunInstalled({"batch"}, kit_ + "\n");
  ASSERT_EQ(first.exit_status, 0) << first.out << first.err;
  EXPECT_NE(first.out.find("\r\nSettings: " + settings + "/config.txt\r\n"), std::string::npos)
      << first.out;
  EXPECT_EQ(ReadFile(settings + "/config.txt"), kit_ + "\r\n0\r\n");
  // A browser cannot run the installed program: the link opens a page that
  // gives the command line (the program by its full path: it is not on the
  // PATH here).
  const std::string button = ReadFile(kit_ + "/docs/html/button.js");
  EXPECT_NE(button.find("href='" + kit_ + "/docs/html/rebuild.html'"), std::string::npos) << button;
  EXPECT_NE(
      ReadFile(kit_ + "/docs/html/rebuild.html").find(">" + program_ + " --kit " + kit_ + "<"),
      std::string::npos);
  EXPECT_EQ(ReadFile(settings + "/button.js"), button);
  EXPECT_FALSE(Exists(root_ + "/usr/bin/config.txt"));
  EXPECT_FALSE(Exists(root_ + "/usr/bin/button.js"));

  // Second run: the settings are read back; nothing is asked (standard
  // input is at its end, which would leave no kit and fail the run).
  const std::string commands = kit_ + "/docs/html/Modules/command.js";
  ASSERT_EQ(unlink(commands.c_str()), 0);
  RunResult second = RunInstalled({"batch"});
  ASSERT_EQ(second.exit_status, 0) << second.out << second.err;
  EXPECT_EQ(second.out.find("Enter a directory name:"), std::string::npos) << second.out;
  EXPECT_TRUE(Exists(commands));

  // Every file a build writes into a kit is named by --help and the manual
  // page: built with --kit into a kit that holds nothing else.
  const std::string bare = dir_.Sub("bare");
  test::MakeDirs(bare + "/docs/html/Modules");
  test::WriteFile(bare + "/docs/html/Modules/commands.txt", "A|/docs/html/Modules/a.html\n");
  if (getuid() == 0) {
    ASSERT_EQ(nftw(bare.c_str(), ChownEntry, 16, FTW_PHYS), 0);
  }
  RunResult built = RunInstalled({"--kit", bare});
  ASSERT_EQ(built.exit_status, 0) << built.out << built.err;
  std::set<std::string> written = FilesIn(bare + "/docs/html");
  for (const std::string& name : FilesIn(bare + "/docs/html/Modules")) written.insert(name);
  written.erase("commands.txt");
  EXPECT_GE(written.size(), 12u);
  for (const std::string& name : written) {
    EXPECT_NE(help.out.find(name), std::string::npos) << name << " missing from --help";
    EXPECT_NE(manual.out.find(name), std::string::npos) << name << " missing from the manual";
  }
}

// make install PREFIX=~/.local: a stripped program that keeps its settings
// in the user's folder, and make uninstall takes everything away again.
TEST_F(Package, PerUserInstallKeepsSettingsPerUserAndUninstallsCleanly) {
  const std::string prefix = home_ + "/.local";
  RunResult installed =
      Tool(LEXIDOR_CMAKE, {"--install", LEXIDOR_BINARY_DIR, "--prefix", prefix, "--strip"});
  ASSERT_EQ(installed.exit_status, 0) << installed.out << installed.err;
  const std::string program = prefix + "/bin/lexidor";
  EXPECT_NE(Tool("/usr/bin/file", {program}).out.find(", stripped"), std::string::npos);
  EXPECT_TRUE(Exists(prefix + "/share/metainfo/example.lexidor.lexidor.metainfo.xml"));

  RunOptions options;
  options.env = {{"HOME", home_}, {"XDG_CONFIG_HOME", home_ + "/cfg/"}, {"DISPLAY", ""}};
  options.args = {"--kit", kit_};
  RunResult built = RunProgram(program, options);
  ASSERT_EQ(built.exit_status, 0) << built.out << built.err;
  EXPECT_NE(built.out.find("\r\nSettings: " + home_ + "/cfg/lexidor/config.txt\r\n"),
            std::string::npos)
      << built.out;
  EXPECT_TRUE(Exists(home_ + "/cfg/lexidor/button.js"));
  EXPECT_FALSE(Exists(prefix + "/bin/button.js"));
  EXPECT_FALSE(Exists(prefix + "/bin/config.txt"));

  RunResult removed =
      Tool(std::string(LEXIDOR_SOURCE_DIR) + "/scripts/uninstall", {LEXIDOR_BINARY_DIR, prefix});
  ASSERT_EQ(removed.exit_status, 0) << removed.out << removed.err;
  EXPECT_EQ(test::Shell("find '" + prefix + "' ! -type d"), "");
  EXPECT_FALSE(Exists(prefix + "/share/doc/lexidor"));
}

TEST(Completion, CompletesTheOptionsAndTheKitsFolder) {
  const std::string script = std::string(LEXIDOR_SOURCE_DIR) + "/packaging/lexidor.bash-completion";
  const struct {
    const char* words;
    int current;
    const char* expected;
  } cases[] = {
      {"lexidor --k", 1, "--kit"},
      {"lexidor --", 1, "--help --version --kit --"},
      {"lexidor --kit /u", 2, "/usr"},
      {"lexidor -- --k", 2, ""},
      {"lexidor x", 1, ""},
  };
  for (const auto& c : cases) {
    const std::string out = test::Shell("bash -c 'source \"" + script + "\"; COMP_WORDS=(" +
                                        c.words + "); COMP_CWORD=" + std::to_string(c.current) +
                                        "; _lexidor; echo \"${COMPREPLY[*]}\"'");
    EXPECT_EQ(out, c.expected) << c.words;
  }
}

}  // namespace
}  // namespace lexidor
