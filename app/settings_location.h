// Where the settings (config.txt) and the copy of button.js live.
//
// Beside the program when config.txt already stands there (a portable copy),
// or when the program is not installed (its folder is not a .../bin folder)
// and its folder is writable: a copy run from its own folder keeps
// everything beside itself.
// Otherwise, as for an installed program, in $XDG_CONFIG_HOME/lexidor
// ($HOME/.config/lexidor when the variable is unset or not absolute),
// created on the first save.
#pragma once

#include "runtime/string.h"

namespace lexidor {

// What the choice depends on, gathered by SettingsDirectory from the file
// system and the environment.
struct SettingsPlaceFacts {
  String programDirectory;
  bool configBesideProgram = false;  // programDirectory/config.txt exists
  bool programDirectoryWritable = false;
  const char* xdgConfigHome = nullptr;  // nullptr when unset
  const char* home = nullptr;           // $HOME, else the account's home; nullptr when none
};

// True for a folder of installed programs: any .../bin or .../sbin folder
// (/usr/bin, ~/.local/bin), and the system's games folders.
bool IsInstalledProgramFolder(const String& directory);

// The settings folder for these facts, without a trailing slash.
String ChooseSettingsDirectory(const SettingsPlaceFacts& facts);

// The settings folder of this run: decided on the first call (after
// InitProgramPaths) and kept for the rest of the run, so that the file read
// at start is the file saved later.
const String& SettingsDirectory();
// SettingsDirectory() + "/config.txt".
String SettingsFile();
// "" when the settings folder may be used; else the line that says why
// not: it belongs to another user, or others may write it, so what it holds
// (config.txt, or a link in its place) may not be the user's own.
String SettingsFolderProblem();
// Creates the settings folder and any missing parents (mode 0700) when it
// is not the program's own folder.  "" on success, else a line naming the
// folder and the reason (among them SettingsFolderProblem).
String MakeSettingsDirectory();

}  // namespace lexidor
