#include "app/command_line.h"

#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/settings_location.h"
#include "runtime/program_paths.h"

namespace lexidor {

namespace {

const char kUsage[] =
    "Usage: lexidor                open the window\n"
    "       lexidor --kit DIR      build the index of the kit in DIR, without a window\n"
    "       lexidor ARGUMENT...    build the index of the stored kit, without a window\n"
    "       lexidor -h | --help | -V | --version\n"
    "\n"
    "Builds a searchable HTML index of a Quandrel kit's reference documentation:\n"
    "reads ROOT/docs/html/Modules/commands.txt and installs search pages that list\n"
    "the commands by letter and search them by name.\n"
    "\n"
    "Without arguments a window shows the kit's directory, a \"Rebuild docs\" box\n"
    "(run ROOT/bin/docbake before indexing) and the buttons Change, BUILD and\n"
    "CLOSE; it needs an X display.  With any other argument the index is built\n"
    "at once and the program exits; arguments other than the options below are\n"
    "not interpreted.\n"
    "\n"
    "Options:\n"
    "  -h, --help     print this help and exit; nothing is built\n"
    "  -V, --version  print the version and exit; nothing is built\n"
    "  --kit DIR      build the kit in DIR (relative to the current directory)\n"
    "                 for this run only: nothing is asked, the stored settings\n"
    "                 are neither used for the kit nor changed\n"
    "  --             end of the options\n"
    "An unknown option (an argument starting with --) is an error and builds\n"
    "nothing.\n"
    "\n"
    "Files a build writes, in ROOT/docs/html:\n"
    "  index.html, qdxstyle.css, button.js, rebuild.html\n"
    "and in ROOT/docs/html/Modules:\n"
    "  commands.html, search.js, search.css, qdxstyle.css, button.js,\n"
    "  command.js, links.js, modules.js, mod.js, first.js,\n"
    "  rows0.js, rows1.js, ... (kits of 10,000 commands or more), the folder\n"
    "  lexidor-index-<pid>-<token>/ that first.js names (the build's own copy\n"
    "  of these lists), and the full-text index of the kit's pages:\n"
    "  fulltext.js, textindex.js and the folder textindex/.\n"
    "\n";

const char kStatuses[] =
    "\n"
    "Exit status: 0 when the run finished; 1 when it could not do its job (no kit\n"
    "directory, an unreadable command list, an output that cannot be written, no\n"
    "X display for the window); 2 for a wrong option; 128+N when ended by\n"
    "signal N.\n";

bool Is(const char* argument, const char* a, const char* b) {
  return std::strcmp(argument, a) == 0 || std::strcmp(argument, b) == 0;
}

CommandLine Error(std::string text) {
  CommandLine line;
  line.action = CommandLine::kUsageError;
  line.error = std::move(text);
  return line;
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (std::strcmp(argument, "--") == 0) break;
    if (Is(argument, "-h", "--help")) {
      line.action = CommandLine::kHelp;
      return line;
    }
    if (Is(argument, "-V", "--version")) {
      line.action = CommandLine::kVersion;
      return line;
    }
    if (std::strcmp(argument, "--kit") == 0 || std::strncmp(argument, "--kit=", 6) == 0) {
      const char* value = argument[5] == '=' ? argument + 6 : (++i < argc ? argv[i] : nullptr);
      if (!value || !*value) return Error("option --kit needs a directory");
      line.hasKit = true;
      line.kit = value;
      continue;
    }
    if (std::strncmp(argument, "--", 2) == 0) {
      return Error("unknown option '" + std::string(argument) + "'");
    }
  }
  return line;
}

int AnswerCommandLine(const CommandLine& line, int argc, char** argv) {
  switch (line.action) {
    case CommandLine::kRun:
      return -1;
    case CommandLine::kUsageError:
      std::fprintf(stderr, "Lexidor: %s\nTry 'lexidor --help' for the options.\n",
                   line.error.c_str());
      return 2;
    case CommandLine::kVersion:
      std::printf("Lexidor %s\n", ToUtf8(kVersionText).c_str());
      break;
    case CommandLine::kHelp:
      // The settings file of this run, decided as a build would decide it.
      InitProgramPaths(argc, argv);
      std::fputs(kUsage, stdout);
      std::printf(
          "Settings (kit directory and rebuild setting): %s\n"
          "That is config.txt beside the program when it exists there, or when the\n"
          "program is not installed (its folder is not a bin folder) and its folder\n"
          "is writable; otherwise $XDG_CONFIG_HOME/lexidor/config.txt, or\n"
          "~/.config/lexidor/config.txt when XDG_CONFIG_HOME is unset or not absolute.\n"
          "A copy of button.js is kept beside it.\n",
          ToLatin1(SettingsFile()).c_str());
      std::fputs(kStatuses, stdout);
      std::printf("\nLexidor %s; see also: man lexidor\n", ToUtf8(kVersionText).c_str());
      break;
  }
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace lexidor
