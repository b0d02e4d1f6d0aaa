#include "stream/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace lexidor {
namespace {

namespace fs = std::filesystem;

// Each test gets a fresh real directory, set up and inspected with
// std::filesystem so that the code under test does not check itself.
class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_cwd_ = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "lexidor_fs_XXXXXX").string();
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    root_ = fs::canonical(pattern);
  }
  void TearDown() override {
    fs::current_path(saved_cwd_);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  // The path of `rel` under the temp directory, as a String.
  String At(const std::string& rel) const { return FromLatin1((root_ / rel).string()); }
  fs::path P(const std::string& rel) const { return root_ / rel; }

  void Write(const std::string& rel, const std::string& bytes) const {
    fs::create_directories(P(rel).parent_path());
    std::ofstream out(P(rel), std::ios::binary);
    out << bytes;
  }
  std::string Read(const std::string& rel) const {
    std::ifstream in(P(rel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Every path under `rel`, relative to it, sorted.
  std::vector<std::string> Tree(const std::string& rel) const {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(P(rel))) {
      names.push_back(fs::relative(e.path(), P(rel)).string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path saved_cwd_;
  fs::path root_;
};

std::vector<String> Sorted(std::vector<String> names) {
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PathTextTest, NormalisingRules) {
  using Fn = std::function<String(const String&)>;
  auto normalize = [](int strip) {
    return Fn([strip](const String& p) {
      String s = p;
      NormalizePath(s, strip);
      return s;
    });
  };
  auto num = [](int (*f)(const String&)) {
    return Fn([f](const String& p) { return IntToString(f(p)); });
  };
  struct Case {
    const char* function;
    Fn fn;
    String in;
    String out;
  };
  const Case cases[] = {
      {"NormalizePath", normalize(0), u"a\\b\\", u"a/b/"},
      {"NormalizePath strip", normalize(1), u"a\\b\\", u"a/b"},
      {"NormalizePath strip", normalize(1), u"a//", u"a/"},
      {"NormalizePath strip", normalize(1), u"/", u"/"},
      {"NormalizePath strip", normalize(1), u"\\", u"/"},
      {"PathRootPrefix", PathRootPrefix, u"/usr", u"/"},
      {"PathRootPrefix", PathRootPrefix, u"\\usr", u""},
      {"PathRootPrefix", PathRootPrefix, u"usr", u""},
      {"PathIsRoot", num(PathIsRoot), u"/", u"1"},
      {"PathIsRoot", num(PathIsRoot), u"\\", u"1"},
      {"PathIsRoot", num(PathIsRoot), u"", u"0"},
      {"PathIsRoot", num(PathIsRoot), u"/a", u"0"},
      {"PathIsAbsolute", num(PathIsAbsolute), u"\\usr", u"1"},
      {"PathIsAbsolute", num(PathIsAbsolute), u"usr/", u"0"},
      {"PathFileName", PathFileName, u"a/b/", u""},
      {"PathFileName", PathFileName, u"a\\b.txt", u"b.txt"},
      {"PathFileName", PathFileName, u"name", u"name"},
      {"PathWithoutExtension", PathWithoutExtension, u"dir.d/file", u"dir.d/file"},
      {"PathWithoutExtension", PathWithoutExtension, u"a\\archive.tar.gz", u"a/archive.tar"},
      {"PathWithoutExtension", PathWithoutExtension, u"plain", u"plain"},
      {"PathBareName", PathBareName, u"a/archive.tar.gz", u"archive.tar"},
      {"PathBareName", PathBareName, u"dir.d\\file", u"file"},
      {"PathWithoutTrailingSlash", PathWithoutTrailingSlash, u"a/b/", u"a/b"},
      {"PathWithoutTrailingSlash", PathWithoutTrailingSlash, u"a\\", u"a"},
      {"PathWithoutTrailingSlash", PathWithoutTrailingSlash, u"/", u"/"},
      {"PathDirectory", PathDirectory, u"/", u"/"},
      {"PathDirectory", PathDirectory, u".", u"."},
      {"PathDirectory", PathDirectory, u"..", u".."},
      {"PathDirectory", PathDirectory, u"/usr", u"/"},
      {"PathDirectory", PathDirectory, u"a/b", u"a"},
      {"PathDirectory", PathDirectory, u"a/b/", u"a/b"},
      {"PathDirectory", PathDirectory, u"a\\b\\c.txt", u"a/b"},
      {"PathDirectory", PathDirectory, u"file.txt", u""},
      {"PathExtension", PathExtension, u"archive.tar.gz", u"gz"},
      {"PathExtension", PathExtension, u"dir.d/file", u""},
      {"PathExtension", PathExtension, u"name.", u""},
      {"PathExtension", PathExtension, u"a\\b.TXT", u"TXT"},
      {"PathExtension", PathExtension, u"plain", u""},
      {"AbsolutePath", AbsolutePath, u"/a/b/../c/./", u"/a/c"},
      {"AbsolutePath", AbsolutePath, u"/a/..", u"/"},
      {"AbsolutePath", AbsolutePath, u"/..", u"/"},
      {"AbsolutePath", AbsolutePath, u"/a/b/../../../..", u"/"},
      {"AbsolutePath", AbsolutePath, u"\\a\\\\b\\", u"/a/b"},
      {"AbsolutePath", AbsolutePath, u"/", u"/"},
      {"AbsolutePath", AbsolutePath, u"/a/../b/..c", u"/b/..c"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToUtf8(c.fn(c.in)), ToUtf8(c.out)) << c.function << "(\"" << ToUtf8(c.in) << "\")";
  }
}

TEST_F(FileSystemTest, RelativePathsStartAtTheWorkingDirectory) {
  fs::create_directories(P("sub/inner"));
  ASSERT_EQ(ChangeDirectory(At("sub\\inner\\")), 1);
  EXPECT_EQ(fs::current_path(), P("sub/inner"));
  EXPECT_EQ(WorkingDirectory(), At("sub/inner"));
  EXPECT_EQ(AbsolutePath(u"x/../y/./z"), At("sub/inner/y/z"));
  EXPECT_EQ(AbsolutePath(u"../.."), FromLatin1(root_.string()));
  EXPECT_EQ(AbsolutePath(u""), At("sub/inner"));

  EXPECT_EQ(ChangeDirectory(At("missing")), 0);
  EXPECT_EQ(fs::current_path(), P("sub/inner"));
}

TEST_F(FileSystemTest, PathKindFollowsBackslashesAndLinks) {
  Write("dir/file.txt", "abc");
  fs::create_symlink(P("dir/file.txt"), P("link"));
  ASSERT_EQ(mkfifo(P("fifo").c_str(), 0600), 0);
  EXPECT_EQ(PathKind(At("dir\\file.txt")), PATH_FILE);
  EXPECT_EQ(PathKind(At("dir\\")), PATH_DIRECTORY);
  EXPECT_EQ(PathKind(At("link")), PATH_FILE);
  EXPECT_EQ(PathKind(At("fifo")), PATH_NONE);
  EXPECT_EQ(PathKind(At("dir\\missing")), PATH_NONE);
}

TEST_F(FileSystemTest, CharactersWithoutAByteNameNothing) {
  Write("x/y", "keep");
  // U+012F would drop to the byte "/" and U+012E to ".": neither may reach
  // x/y or climb out of the directory.
  EXPECT_EQ(PathKind(At("x") + u"\u012Fy"), PATH_NONE);
  EXPECT_EQ(RemoveFile(At("x") + u"\u012Fy"), 1);
  EXPECT_EQ(RemoveDirectory(At("x") + u"/\u012E", 1), 0);
  String with_nul = At("x/y");
  with_nul += String(1, u'\0') + u"junk";
  EXPECT_EQ(PathKind(with_nul), PATH_NONE);
  EXPECT_EQ(RemoveFile(with_nul), 1);
  EXPECT_EQ(Read("x/y"), "keep");
}

TEST_F(FileSystemTest, AttributesOfFiles) {
  Write("five", "12345");
  EXPECT_EQ(PathSize(At("five")), 5);
  EXPECT_EQ(PathSize(At("missing")), -1);

  SetPathPermissions(At("five"), 04750);
  EXPECT_EQ(PathPermissions(At("five")), 0750);
  EXPECT_EQ(PathPermissions(At("missing")), -1);

  struct timespec times[2] = {{1234567890, 0}, {1234567890, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, P("five").c_str(), times, 0), 0);
  EXPECT_EQ(PathModifiedTime(At("five")), 1234567890);
  EXPECT_EQ(PathModifiedTime(At("missing")), 0);
}

TEST_F(FileSystemTest, PathSizeOfAFileBeyondTwoGibibytesIsClamped) {
  // Sparse: takes no room on disk.
  Write("big", "");
  fs::resize_file(P("big"), (uint64_t{3} << 30) + 7);
  EXPECT_EQ(PathSize(At("big")), INT32_MAX);
}

TEST_F(FileSystemTest, MakeDirectoryRecursiveAndRemoveDirectoryRecursive) {
  EXPECT_EQ(MakeDirectory(At("x\\y\\z\\"), 0), 0);  // no parents without recursion
  EXPECT_FALSE(fs::exists(P("x")));

  ASSERT_EQ(MakeDirectory(At("x\\y\\z\\"), 1), 1);
  EXPECT_TRUE(fs::is_directory(P("x/y/z")));
  EXPECT_EQ(MakeDirectory(At("x/y/z"), 1), 1);  // already there
  EXPECT_EQ(MakeDirectory(At("x/y/w"), 0), 1);

  ASSERT_EQ(ChangeDirectory(At("x")), 1);
  EXPECT_EQ(MakeDirectory(u"rel/a/../b", 1), 1);
  EXPECT_TRUE(fs::is_directory(P("x/rel/b")));
  EXPECT_FALSE(fs::exists(P("x/rel/a")));

  Write("x/top.txt", "t");
  Write("x/y/z/deep.bin", std::string("\0\1\2", 3));
  EXPECT_EQ(RemoveDirectory(At("x"), 0), 0);  // not empty
  EXPECT_TRUE(fs::exists(P("x/y/z/deep.bin")));

  EXPECT_EQ(RemoveDirectory(At("x\\"), 1), 1);
  EXPECT_FALSE(fs::exists(P("x")));
  EXPECT_EQ(RemoveDirectory(At("x"), 1), 0);  // nothing to list
  EXPECT_EQ(RemoveDirectory(At("x"), 0), 1);  // nothing there afterwards
}

TEST_F(FileSystemTest, MakeDirectoryStopsAtAFileInTheWay) {
  Write("x", "file");
  EXPECT_EQ(MakeDirectory(At("x/y/z"), 1), 0);
  EXPECT_EQ(MakeDirectory(At("x"), 0), 0);
  EXPECT_EQ(Tree(""), std::vector<std::string>{"x"});
  EXPECT_EQ(Read("x"), "file");

  Write("a/f", "file");
  EXPECT_EQ(MakeDirectory(At("a/f/g/h"), 1), 0);
  EXPECT_EQ(Tree("a"), std::vector<std::string>{"f"});
}

TEST_F(FileSystemTest, RemoveFileJudgesByWhatIsLeft) {
  Write("file", "x");
  fs::create_directories(P("empty"));
  Write("full/inside", "x");
  EXPECT_EQ(RemoveFile(At("missing")), 1);
  EXPECT_EQ(RemoveFile(At("file")), 1);
  EXPECT_FALSE(fs::exists(P("file")));
  EXPECT_EQ(RemoveFile(At("empty")), 1);
  EXPECT_FALSE(fs::exists(P("empty")));
  EXPECT_EQ(RemoveFile(At("full")), 0);
  EXPECT_TRUE(fs::exists(P("full/inside")));
  // A file named as a directory cannot be removed that way, and says so.
  Write("f.txt", "x");
  EXPECT_EQ(RemoveFile(At("f.txt/")), 0);
  EXPECT_EQ(RemoveFile(At("f.txt\\")), 0);
  EXPECT_EQ(Read("f.txt"), "x");
}

// Names read from a directory are joined as they stand: a backslash in an
// entry's name is part of the name, never a way out of the tree.
TEST_F(FileSystemTest, TreeWalksStayInsideTheirTree) {
  Write("outside/keep.txt", "keep");
  Write("outside2/keep.txt", "keep2");
  Write("victim.txt", "victim");
  Write("tree/..\\outside\\keep.txt", "inside");
  Write("tree/..\\outside2/x", "inside");
  Write("src/..\\victim.txt", "from src");
  Write("src/a\\b.txt", "ab");
  fs::create_directories(P("deep/er"));

  ASSERT_EQ(DuplicateDirectory(At("src"), At("deep/er/dst")), 1);
  EXPECT_EQ(Tree("deep/er/dst"), (std::vector<std::string>{"..\\victim.txt", "a\\b.txt"}));
  EXPECT_EQ(Read("deep/er/dst/a\\b.txt"), "ab");
  EXPECT_FALSE(fs::exists(P("deep/er/victim.txt")));
  EXPECT_EQ(Read("victim.txt"), "victim");

  EXPECT_EQ(RemoveDirectory(At("tree"), 1), 1);
  EXPECT_FALSE(fs::exists(P("tree")));
  EXPECT_EQ(Read("outside/keep.txt"), "keep");
  EXPECT_EQ(Read("outside2/keep.txt"), "keep2");
}

TEST_F(FileSystemTest, RecursiveRemoveNeverFollowsLinks) {
  Write("outside/precious", "keep");
  Write("tree/sub/file", "x");
  fs::create_directory_symlink(P("outside"), P("tree/sub/dirlink"));
  fs::create_symlink(P("outside/precious"), P("tree/filelink"));
  fs::create_symlink(P("nowhere"), P("tree/broken"));
  fs::create_directory_symlink(P("outside"), P("toplink"));

  EXPECT_EQ(RemoveDirectory(At("tree"), 1), 1);
  EXPECT_FALSE(fs::exists(fs::symlink_status(P("tree"))));
  EXPECT_EQ(RemoveDirectory(At("toplink"), 1), 0);
  EXPECT_EQ(Read("outside/precious"), "keep");
}

TEST_F(FileSystemTest, CreateEmptyFile) {
  Write("full", "content");
  EXPECT_EQ(CreateEmptyFile(At("full")), 1);
  EXPECT_EQ(fs::file_size(P("full")), 0u);
  EXPECT_EQ(CreateEmptyFile(At("new")), 1);
  EXPECT_TRUE(fs::is_regular_file(P("new")));
  EXPECT_EQ(CreateEmptyFile(At("missing/new")), 0);

  fs::create_directories(P("dir"));
  EXPECT_EQ(CreateEmptyFile(At("dir")), 0);
  EXPECT_TRUE(fs::is_directory(P("dir")));
}

TEST_F(FileSystemTest, DirectoryListings) {
  Write("dir/a", "");
  Write("dir/b.txt", "");
  fs::create_directories(P("dir/c"));

  DirectoryHandle listing = OpenDirectoryListing(At("dir\\"));
  ASSERT_NE(listing, nullptr);
  std::vector<String> names;
  for (String n = NextDirectoryEntry(listing); !n.empty(); n = NextDirectoryEntry(listing)) {
    names.push_back(n);
  }
  EXPECT_EQ(NextDirectoryEntry(listing), u"");
  EXPECT_EQ(CloseDirectoryListing(listing), 0);
  const std::vector<String> all = {u".", u"..", u"a", u"b.txt", u"c"};
  EXPECT_EQ(Sorted(names), all);
  EXPECT_EQ(Sorted(ListDirectory(At("dir/"), 0)), all);
  EXPECT_EQ(Sorted(ListDirectory(At("dir"), 1)), (std::vector<String>{u"a", u"b.txt", u"c"}));

  EXPECT_TRUE(ListDirectory(At("missing"), 0).empty());
  EXPECT_TRUE(ListDirectory(At("dir/a"), 0).empty());
  DirectoryHandle none = OpenDirectoryListing(At("missing"));
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(NextDirectoryEntry(none), u"");
  EXPECT_EQ(CloseDirectoryListing(none), 0);
}

std::string AllByteValues(size_t length) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return bytes;
}

TEST_F(FileSystemTest, DuplicateFileCopiesEveryByte) {
  const std::string bytes = AllByteValues(10000);  // more than one 4096-byte block
  Write("src/data.bin", bytes);
  Write("dst/old", "old contents that are longer than nothing");
  EXPECT_EQ(DuplicateFile(At("src\\data.bin"), At("dst\\copy.bin")), 1);
  EXPECT_EQ(Read("dst/copy.bin"), bytes);
  EXPECT_EQ(DuplicateFile(At("src/data.bin"), At("dst/old")), 1);
  EXPECT_EQ(Read("dst/old"), bytes);

  Write("empty", "");
  EXPECT_EQ(DuplicateFile(At("empty"), At("dst/old")), 1);
  EXPECT_EQ(Read("dst/old"), "");
}

TEST_F(FileSystemTest, DuplicateFileFailuresLeaveTheSourceAlone) {
  Write("src", "source");
  EXPECT_EQ(DuplicateFile(At("missing"), At("dst")), 0);
  EXPECT_FALSE(fs::exists(P("dst")));
  EXPECT_EQ(DuplicateFile(At("src"), At("nodir/dst")), 0);

  // The same file under two names: opening the target would empty the source.
  EXPECT_EQ(DuplicateFile(At("src"), At("src")), 0);
  fs::create_hard_link(P("src"), P("hard"));
  EXPECT_EQ(DuplicateFile(At("src"), At("hard")), 0);
  EXPECT_EQ(Read("src"), "source");

  fs::create_directories(P("dir"));
  EXPECT_EQ(DuplicateFile(At("dir"), At("dst")), 0);
}

TEST_F(FileSystemTest, DuplicateFileReportsAWriteThatNeverReachedTheDisk) {
  ASSERT_TRUE(fs::exists("/dev/full"));
  Write("small", "fits in the stdio buffer");
  EXPECT_EQ(DuplicateFile(At("small"), u"/dev/full"), 0);
  Write("large", AllByteValues(20000));
  EXPECT_EQ(DuplicateFile(At("large"), u"/dev/full"), 0);
}

TEST_F(FileSystemTest, DuplicateDirectoryCopiesTheTree) {
  const std::string bytes = AllByteValues(5000);
  Write("src/top.txt", "top");
  Write("src/a/b/deep.bin", bytes);
  Write("src/a/mid", "mid");
  fs::create_directories(P("src/empty"));
  Write("dst/keep", "kept");
  Write("dst/top.txt", "to be replaced");

  ASSERT_EQ(DuplicateDirectory(At("src\\"), At("dst")), 1);
  EXPECT_EQ(Tree("dst"), (std::vector<std::string>{"a", "a/b", "a/b/deep.bin", "a/mid", "empty",
                                                   "keep", "top.txt"}));
  EXPECT_EQ(Read("dst/top.txt"), "top");
  EXPECT_EQ(Read("dst/a/b/deep.bin"), bytes);
  EXPECT_EQ(Read("dst/keep"), "kept");

  ASSERT_EQ(DuplicateDirectory(At("src"), At("fresh")), 1);
  EXPECT_EQ(Tree("fresh"), Tree("src"));

  EXPECT_EQ(DuplicateDirectory(At("src/top.txt"), At("x")), 0);
  EXPECT_EQ(DuplicateDirectory(At("missing"), At("x")), 0);
  EXPECT_EQ(DuplicateDirectory(At("src"), At("nodir/x")), 0);
  Write("file", "f");
  EXPECT_EQ(DuplicateDirectory(At("src"), At("file")), 0);
  EXPECT_EQ(Read("file"), "f");
}

TEST_F(FileSystemTest, DuplicateDirectoryNeverCopiesIntoItself) {
  Write("src/file", "f");
  const std::vector<std::string> before = Tree("src");
  EXPECT_EQ(DuplicateDirectory(At("src"), At("src/copy")), 0);
  EXPECT_EQ(DuplicateDirectory(At("src"), At("src/../src")), 0);
  EXPECT_EQ(Tree("src"), before);

  // A link that leads back up ends the copy instead of descending forever.
  fs::create_directory_symlink(P("src"), P("src/loop"));
  EXPECT_EQ(DuplicateDirectory(At("src"), At("out")), 0);
  EXPECT_FALSE(fs::exists(P("out/loop/loop")));

  // The target reached through a link from inside the source.
  fs::remove(P("src/loop"));
  fs::create_directories(P("elsewhere"));
  fs::create_directory_symlink(P("elsewhere"), P("src/link"));
  EXPECT_EQ(DuplicateDirectory(At("src"), At("elsewhere/target")), 0);
  EXPECT_FALSE(fs::exists(P("elsewhere/target/link/target")));
}

// Links in the target lead outside it: the copy writes through neither a
// file link nor a folder link, and says it did not finish.
TEST_F(FileSystemTest, DuplicateDirectoryNeverWritesThroughLinksInTheTarget) {
  Write("src/x.txt", "new");
  Write("src/d/y.txt", "new");
  Write("elsewhere/x.txt", "outside");
  Write("elsewhere2/y.txt", "outside");
  for (const char* link : {"x.txt", "d"}) {
    fs::remove_all(P("dst"));
    fs::create_directories(P("dst"));
    fs::create_symlink(std::string(link) == "d" ? "../elsewhere2" : "../elsewhere/x.txt",
                       P("dst") / link);
    EXPECT_EQ(DuplicateDirectory(At("src"), At("dst")), 0) << link;
    EXPECT_EQ(Read("elsewhere/x.txt"), "outside");
    EXPECT_EQ(Read("elsewhere2/y.txt"), "outside");
  }
}

}  // namespace
}  // namespace lexidor
