// Paths, file kinds and attributes, creating, removing, moving and copying
// files and directories, directory listings and the working directory.
//
// Every function accepts paths written with "\" or "/": it first rewrites the
// path with NormalizePath, so "docs\html\index.html" names the same file as
// "docs/html/index.html".  The functions marked "(strip)" also drop one
// trailing "/" (never from the root "/").  A path is absolute when it starts
// with "/".
//
// Path text goes to the C library one byte per character and names come back
// one character per byte (Latin-1).  A path holding a character that has no
// byte of its own (above U+00FF) or a NUL character names nothing: such a path
// is never shortened or folded onto another file, the operation simply finds
// no such path.
//
// None of these functions raises (DuplicateFile excepted, see there) and none
// prints anything: each reports through its result.  Success of creating and
// removing is judged by looking at the path afterwards with PathKind.
//
// The start-up paths (LaunchDirectory, ProgramFile, ProgramDirectory,
// ProgramArguments) live in runtime/program_paths.h.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/string.h"

namespace lexidor {

// Results of PathKind.
enum { PATH_NONE = 0, PATH_FILE = 1, PATH_DIRECTORY = 2 };

// --- Path text (no disk access) ---------------------------------------------

// In place: every "\" becomes "/"; with `strip` set, one trailing "/" is then
// removed unless the path is the root.
void NormalizePath(String& path, int strip);
// "/" when `path` starts with "/", else "" (the path is taken as written).
String PathRootPrefix(const String& path);
// 1 when the path is the root "/".
int PathIsRoot(const String& path);
// 1 when the path starts with "/".
int PathIsAbsolute(const String& path);
// The text after the last "/" ("" for "a/b/"), or the whole path.
String PathFileName(const String& path);
// The path cut before its last ".", unless there is no "." or a "/" follows
// it; then the path unchanged.
String PathWithoutExtension(const String& path);
// PathFileName of PathWithoutExtension: "a/archive.tar.gz" gives
// "archive.tar".
String PathBareName(const String& path);
// One trailing "/" removed unless the path is the root.
String PathWithoutTrailingSlash(const String& path);
// The directory part: "a/b" gives "a", "a/b/" gives "a/b", "/usr" gives "/",
// a bare name gives "".  ".", ".." and "/" come back unchanged.
String PathDirectory(const String& path);
// The text after the last ".", or "" when there is no "." or a "/" follows it.
String PathExtension(const String& path);

// The current directory, normalised; "" when it cannot be read.
String WorkingDirectory();
// `path` made absolute against WorkingDirectory() (when relative), with
// empty and "." segments dropped and ".." taking back one segment (never
// above the root).  Purely textual: symbolic links are not resolved and the
// disk is not consulted.  Never ends in "/" except for the root.
String AbsolutePath(const String& path);

// --- Kinds and attributes (symbolic links are followed) ---------------------

// PATH_FILE for a regular file, PATH_DIRECTORY for a directory, PATH_NONE when
// there is no such path or it is of another kind (device, pipe, socket).
int PathKind(const String& path);
// Modification time in seconds since the epoch; 0 when the path cannot be
// inspected.
int64_t PathModifiedTime(const String& path);
// Size in bytes; -1 when the path cannot be inspected.  The stream layer
// covers at most 2^31-1 bytes, and so does this: a larger file reports
// 2147483647 (INT32_MAX), never a wrapped or negative size.
int32_t PathSize(const String& path);
// The permission bits (mode & 0777); -1 when the path cannot be inspected.
int PathPermissions(const String& path);
// chmod; the result is not reported (read it back with PathPermissions).
void SetPathPermissions(const String& path, int mode);

// --- Creating, removing, moving, copying ------------------------------------

// Replaces `path` by an empty regular file (an existing file is removed
// first).  1 when a regular file is there afterwards.  A directory at `path`
// is left alone and gives 0.
int CreateEmptyFile(const String& path);
// (strip) Creates the directory (mode 01777 reduced by the umask).  With
// `recurse`, every missing level of AbsolutePath(path) is created from the
// top down; a file in the way stops it with 0 before anything below it is
// created.  1 when the whole path exists as a directory afterwards.
int MakeDirectory(const String& path, int recurse);
// remove(): a file, a symbolic link itself, or an empty directory.  1 when
// nothing is at `path` afterwards (so also for a path that never existed).
int RemoveFile(const String& path);
// Removes the directory at the byte path `path` and everything in it.  Links
// inside are removed as links, never followed: what they point to is not
// part of the tree.  1 when nothing is left.
int RemoveTree(const std::string& path);
// rename(); 1 on success.
int MovePath(const String& from, const String& to);
// Copies the contents of file `from` to `to` (created or truncated) through
// the stream layer, so "from" and "to" are urls: "\" works as "/" and a
// read-only open finds a file whose name differs only in ASCII case.
// 1 on success; 0 when either cannot be opened, when `from` is a directory,
// when both name the same file (nothing is touched), or when writing fails
// (TStreamWriteException; the target is then left incomplete).  Any other
// exception, such as TStreamReadException from a source that stops short,
// passes to the caller; both streams are closed all the same.
int DuplicateFile(const String& from, const String& to);
// Copies the tree under directory `from` into `to` (created when missing,
// its parent must exist).  Files already in `to` are overwritten, nothing in
// `to` is removed.  Symbolic links in `from` are followed (their targets are
// copied); a symbolic link in `to` is never written through: the copy stops
// there with 0.
// 1 on success; 0 at the first failure, when `from` is not a directory, when
// `to` is `from` or lies inside it (nothing is created then), or when the
// tree loops back into itself through a link.
int DuplicateDirectory(const String& from, const String& to);
// (strip) rmdir().  With `recurse`, the contents go first: files and symbolic
// links are removed (a link is never followed into what it points to),
// directories recursively; a `path` that cannot be listed, or that is itself
// a symbolic link, is not emptied.  1 when nothing is at `path` afterwards.
int RemoveDirectory(const String& path, int recurse);
// (strip) chdir(); 1 on success.
int ChangeDirectory(const String& path);

// --- Directory listings ------------------------------------------------------

// An open listing.  Opaque; the caller closes every non-null handle with
// CloseDirectoryListing.
struct TDirectoryListing;
using DirectoryHandle = TDirectoryListing*;

// (strip) nullptr when the directory cannot be opened.
DirectoryHandle OpenDirectoryListing(const String& path);
// The next name in the system's order, "." and ".." included; "" when there
// are no more, and for the null handle.
String NextDirectoryEntry(DirectoryHandle handle);
// Closes and frees the listing; the null handle is ignored.  Returns 0.
int CloseDirectoryListing(DirectoryHandle handle);
// (strip) All names of the directory in the system's order, unsorted; "."
// and ".." are left out when `skip_dots` is set.  Empty when the directory
// cannot be opened.
std::vector<String> ListDirectory(const String& path, int skip_dots);

}  // namespace lexidor
