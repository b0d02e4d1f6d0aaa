#include "runtime/program_paths.h"

#include <unistd.h>

#include <cstdio>

namespace lexidor {

namespace {
struct Paths {
  String launch_directory;
  String program_file;
  String program_directory;
  std::vector<String> arguments;
};

Paths& State() {
  static auto* paths = new Paths();
  return *paths;
}

String DirectoryOf(const String& file, const String& fallback) {
  size_t slash = file.rfind(u'/');
  if (slash == String::npos) return fallback;
  if (slash == 0) return u"/";
  return file.substr(0, slash);
}
}  // namespace

void SetProgramPaths(String launch_directory, String program_file, std::vector<String> arguments) {
  Paths& p = State();
  p.launch_directory = ReplaceAll(std::move(launch_directory), u"\\", u"/");
  p.program_file = std::move(program_file);
  p.program_directory = DirectoryOf(p.program_file, p.launch_directory);
  p.arguments = std::move(arguments);
}

bool InitProgramPaths(int argc, char** argv) {
  char cwd[1024];
  String launch = getcwd(cwd, sizeof cwd) ? FromLatin1(cwd) : String(u".");

  char link[64];
  std::snprintf(link, sizeof link, "/proc/%i/exe", static_cast<int>(getpid()));
  char exe[1024];
  ssize_t n = readlink(link, exe, sizeof exe);
  String program = n > 0 && n < static_cast<ssize_t>(sizeof exe)
                       ? FromLatin1(std::string_view(exe, static_cast<size_t>(n)))
                       : String(u".");

  std::vector<String> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(FromLatin1(argv[i]));
  SetProgramPaths(launch, program, std::move(arguments));
  return chdir(ToLatin1(ProgramDirectory()).c_str()) == 0;
}

const String& LaunchDirectory() { return State().launch_directory; }
const String& ProgramFile() { return State().program_file; }
const String& ProgramDirectory() { return State().program_directory; }
const std::vector<String>& ProgramArguments() { return State().arguments; }

}  // namespace lexidor
