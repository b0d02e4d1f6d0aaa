// The command index: commands.txt in, four one-line script files out.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/tcommand.h"
#include "runtime/string.h"

namespace lexidor {

class BuildAhead;

// Parses one line of commands.txt (Latin-1 characters) the way the kit's
// lists have always been read: the name runs up to the second "|" (or the
// first when there is only one) and is cut at "("; the link is `rootPath` +
// the rest; the module comes from "Modules/" ... "index" or from ".mod"
// segments.  Adds the record through AddCommand.
// Both are Latin-1 bytes, one per character.
void ParseCommandLine(std::string_view line, const std::string& rootPath);

// Cuts the name at ":", then at "[]", then at an "=" from index 2 on, and
// appends a record to App().commandList (nothing for an empty name) and
// files it in App().moduleMap under the upper-cased module.
void AddCommand(std::string name, std::string linkText, int letterCode, const std::string& module);

// AddCommand files records in the module map lazily; this brings the map up
// to date.  BuildIndex calls it once the list is read.
void SettleModuleMap();

// Empties App().moduleMap as it is at program start (for tests and fuzzing,
// which run many builds in one process; the program itself never does).
void ClearModuleMap();

// Appends one element of a script array: `text` between quotes, with "\"
// written "\\" and a quote written "\"" so that any name is valid
// JavaScript.
void AppendScriptString(std::string& out, std::string_view text);
// The same without the quotes: `text` escaped for the inside of a string.
void AppendScriptText(std::string& out, std::string_view text);

// The whole build: reads <rootPath>/docs/html/Modules/commands.txt, sorts,
// writes command.js, links.js, modules.js and mod.js (and first.js, the
// count and first rows that large kits' pages show first, and a large kit's
// rows files, the form in which its pages load the lists), then installs
// the pages, then the text index.  Progress goes to standard output.
// Returns "" on success, else the line that says what failed (already
// printed); nothing of the previous index is lost then.  `ahead`: the
// reading, started ahead by the caller (under the kit's lock, after the
// documentation was built, see StartBuildAhead); without one the build
// starts it itself.
String BuildIndex(std::shared_ptr<BuildAhead> ahead = nullptr);

}  // namespace lexidor
