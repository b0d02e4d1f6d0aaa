// What a build reads before it writes, begun on threads of its own: the
// kit's command list, read and sorted, and the text index's build, which
// reads and indexes the pages but writes nothing until the name index is in
// place.  A batch build starts it as soon as it holds the kit, so that the
// reading overlaps the pauses of the arguments' echo.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "app/errand.h"
#include "app/text_index_install.h"
#include "runtime/string.h"

namespace lexidor {

class BuildAhead {
 public:
  // Starts reading <root>/docs/html/Modules/commands.txt (`root` in bytes,
  // the kit's folder) into App().commandList, which it empties first, and
  // the text index's reading; once the list is sorted, the text index's
  // build.  Neither the list nor App().moduleMap may be touched by others
  // until TakeList.
  explicit BuildAhead(const std::string& root);
  // Waits for the threads; a text build not yet installed is given up,
  // with nothing written.
  ~BuildAhead() = default;
  BuildAhead(const BuildAhead&) = delete;
  BuildAhead& operator=(const BuildAhead&) = delete;

  // Waits for the list: "" once it is read and sorted (`lineCount` is then
  // the number of lines read), else the line that says why not ("Cannot
  // open <file>: <reason>").  An exception the reading met is thrown here.
  // Once only.
  String TakeList(int64_t* lineCount);
  // The text index's build, for InstallTextIndex.
  const std::shared_ptr<TextIndexAhead>& Text() const { return text_; }

 private:
  std::shared_ptr<TextIndexAhead> text_;
  String error_;
  int64_t lines_ = 0;
  std::exception_ptr failure_;
  // Last, so that it is waited for before the rest goes.
  Errand listing_;
};

// A BuildAhead of the kit App().rootPath names; nullptr when its path
// cannot be named in bytes (the build then says so itself).
std::shared_ptr<BuildAhead> StartBuildAhead();

}  // namespace lexidor
