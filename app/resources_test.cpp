#include "app/resources.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "stream/embedded_files.h"
#include "stream/ram_stream.h"

namespace lexidor {
namespace {

TEST(Resources, EveryFileOfTheResourceFolderAndEveryBuiltPageIsEmbeddedByteForByte) {
  InitRamStreamModule();
  RegisterResourceFiles();
  int files = 0;
  for (const std::string& folder : {std::string(LEXIDOR_SOURCE_DIR) + "/app/resources",
                                   std::string(LEXIDOR_BINARY_DIR) + "/app/pages"}) {
    DIR* dir = opendir(folder.c_str());
    ASSERT_TRUE(dir) << folder;
    while (dirent* e = readdir(dir)) {
      std::string name = e->d_name;
      if (name[0] == '.') continue;
      std::ifstream in(folder + "/" + name, std::ios::binary);
      std::stringstream bytes;
      bytes << in.rdbuf();
      const String url = u"incbin::resources\\" + FromLatin1(name);
      EXPECT_EQ(LoadBytesAsString(url), FromLatin1(bytes.str())) << name;
      ++files;
    }
    closedir(dir);
  }
  // The pages, their script and style, the kit's style sheet.
  EXPECT_GE(files, 5);
}

TEST(Resources, ThePagesAreRegisteredFirstInTheirOrder) {
  RegisterResourceFiles();
  std::vector<String> names;
  for (const EmbeddedFile* e = EmbeddedFileTable(); e; e = e->next)
    names.insert(names.begin(), e->name);
  std::vector<String> pages;
  for (const String& n : names) {
    if (n == u"resources\\index.html" || n == u"resources\\commands.html" ||
        n == u"resources\\qdxstyle.css")
      pages.push_back(n);
  }
  // Whatever exists of the three comes first, in this order.
  std::vector<String> want = {u"resources\\index.html", u"resources\\commands.html",
                              u"resources\\qdxstyle.css"};
  std::vector<String> expected;
  for (const String& w : want)
    if (std::find(pages.begin(), pages.end(), w) != pages.end()) expected.push_back(w);
  EXPECT_EQ(std::vector<String>(names.begin(), names.begin() + expected.size()), expected);
}

}  // namespace
}  // namespace lexidor
