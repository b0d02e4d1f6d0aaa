#include "app/settings_location.h"

#include <gtest/gtest.h>

namespace lexidor {
namespace {

struct PlaceCase {
  const char* name;
  const char16_t* program;
  bool configBeside;
  bool writable;
  const char* xdg;
  const char* home;
  const char16_t* expected;
};

TEST(SettingsLocation, ChoosesBesideTheProgramOrThePerUserFolder) {
  const PlaceCase cases[] = {
      {"a copy in its own writable folder", u"/home/u/lexidor", false, true, "/x", "/home/u",
       u"/home/u/lexidor"},
      {"an existing config.txt wins", u"/opt/lx", true, false, "/x", "/home/u", u"/opt/lx"},
      {"even in a system folder", u"/usr/bin", true, true, nullptr, "/root", u"/usr/bin"},
      {"a system folder root may write", u"/usr/bin", false, true, nullptr, "/root",
       u"/root/.config/lexidor"},
      {"read-only: XDG_CONFIG_HOME", u"/opt/lx", false, false, "/cfg", "/home/u", u"/cfg/lexidor"},
      {"relative XDG_CONFIG_HOME is ignored", u"/opt/lx", false, false, "cfg", "/home/u",
       u"/home/u/.config/lexidor"},
      {"empty XDG_CONFIG_HOME is ignored", u"/opt/lx", false, false, "", "/home/u/",
       u"/home/u/.config/lexidor"},
      {"home at the root", u"/usr/local/bin", false, false, nullptr, "/", u"/.config/lexidor"},
      {"no home at all", u"/opt/lx", false, false, nullptr, nullptr, u"/opt/lx"},
      {"a per-user install is installed", u"/home/u/.local/bin", false, true, nullptr, "/home/u",
       u"/home/u/.config/lexidor"},
      {"any bin folder", u"/opt/lx/bin", false, true, "/cfg", "/home/u", u"/cfg/lexidor"},
      {"a portable copy in a bin folder", u"/home/u/.local/bin", true, true, nullptr, "/home/u",
       u"/home/u/.local/bin"},
      {"a folder merely ending in bin", u"/home/u/cabin", false, true, nullptr, "/home/u",
       u"/home/u/cabin"},
      {"XDG_CONFIG_HOME with trailing slashes", u"/usr/bin", false, false, "/cfg//", "/home/u",
       u"/cfg/lexidor"},
  };
  for (const PlaceCase& c : cases) {
    SettingsPlaceFacts facts;
    facts.programDirectory = c.program;
    facts.configBesideProgram = c.configBeside;
    facts.programDirectoryWritable = c.writable;
    facts.xdgConfigHome = c.xdg;
    facts.home = c.home;
    EXPECT_EQ(ToUtf8(ChooseSettingsDirectory(facts)), ToUtf8(c.expected)) << c.name;
  }
}

}  // namespace
}  // namespace lexidor
