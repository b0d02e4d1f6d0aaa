#include "app/info_options.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/app_state.h"
#include "app/settings_location.h"
#include "runtime/program_paths.h"

namespace lexidor {

namespace {

const char kUsage[] =
    "Usage: lexidor            open the window\n"
    "       lexidor ARGUMENT   build the index at once, without a window\n"
    "       lexidor --help | --version\n"
    "\n"
    "Builds a searchable HTML index of a Quandrel kit's reference documentation:\n"
    "reads ROOT/docs/html/Modules/commands.txt, writes command.js, links.js,\n"
    "modules.js and mod.js beside it, and installs the search pages index.html and\n"
    "Modules/commands.html, qdxstyle.css and button.js into ROOT/docs/html.\n"
    "\n"
    "Without arguments a window shows the kit's directory, a \"Rebuild docs\" box\n"
    "(run ROOT/bin/docbake before indexing) and the buttons Change, BUILD and\n"
    "CLOSE; it needs an X display.  With any other argument the index is built\n"
    "at once and the program exits; the arguments' content is not interpreted.\n"
    "\n";

const char kStatuses[] =
    "\n"
    "Exit status: 0 when the run finished; 1 when it could not do its job (no kit\n"
    "directory, an unreadable command list, an output that cannot be written, no\n"
    "X display for the window); 128+N when ended by signal N.\n";

}  // namespace

int AnswerInfoOption(int argc, char** argv) {
  if (argc < 2) return -1;
  const bool help = std::strcmp(argv[1], "--help") == 0;
  if (!help && std::strcmp(argv[1], "--version") != 0) return -1;
  const std::string version = ToUtf8(kVersionText);
  if (help) {
    // The settings file of this run, decided as a build would decide it.
    InitProgramPaths(argc, argv);
    std::fputs(kUsage, stdout);
    std::printf(
        "Settings (kit directory and rebuild setting): %s\n"
        "That is config.txt beside the program when it exists there, or when the\n"
        "program's folder is writable and not a system one such as /usr/bin;\n"
        "otherwise $XDG_CONFIG_HOME/lexidor/config.txt, or\n"
        "~/.config/lexidor/config.txt when XDG_CONFIG_HOME is unset or not absolute.\n"
        "A copy of button.js is kept beside it.\n",
        ToLatin1(SettingsFile()).c_str());
    std::fputs(kStatuses, stdout);
    std::printf("\nLexidor %s; see also: man lexidor\n", version.c_str());
  } else {
    std::printf("Lexidor %s\n", version.c_str());
  }
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace lexidor
