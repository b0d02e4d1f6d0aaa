#include "app/build_ahead.h"

#include <cerrno>
#include <cstring>

#include "app/app_state.h"
#include "app/command_index.h"
#include "app/new_file.h"
#include "stream/line_reader.h"
#include "stream/stream.h"

namespace lexidor {

namespace {

// `path` is the list's bytes as the file system names it: a kit folder may
// hold a backslash or "::" in its name, which are plain bytes here.
String ReadCommandList(const std::string& path, const std::string& linkRoot, int64_t* lineCount) {
  // Read only: indexing never needs to write the kit's list.  Only a
  // regular file is read: a FIFO or a device would block the build or read
  // as an empty list, and replace a good index with an empty one.
  String why;
  bool notRegular = false;
  std::shared_ptr<TCStream> in = TCStream::OpenRegularFile(path, &why, &notRegular);
  if (!in) {
    return (notRegular ? u"Cannot read " : u"Cannot open ") + FromLatin1(path) + u": " + why;
  }
  AppState& app = App();
  // Room for a line per 32 bytes, more than a kit's lists hold: memory
  // reserved and never used costs nothing.
  if (in->Size() > 0) app.commandList.Reserve(static_cast<size_t>(in->Size()) / 32);
  TLineReader lines(*in);
  std::string_view line;
  errno = 0;
  try {
    while (lines.Next(&line)) {
      // An empty line names no command.
      if (!line.empty()) ParseCommandLine(line, linkRoot);
      ++*lineCount;
    }
  } catch (const TStreamReadException&) {
    const int error = errno;
    return u"Cannot read " + FromLatin1(path) + u": " +
           FromUtf8(std::strerror(error ? error : EIO));
  }
  in->Close();
  return String();
}

}  // namespace

BuildAhead::BuildAhead(const std::string& root) : text_(ReadTextIndexAhead()) {
  // The links start with the kit's folder as the settings name it.
  const std::string linkRoot = ToLatin1(App().rootPath);
  listing_.Start([this, root, linkRoot] {
    try {
      AppState& app = App();
      // A build that failed while reading may have left its last record
      // unfiled: it is filed now, while the list still holds it, and not
      // from whatever record the new list has at that index.
      SettleModuleMap();
      app.commandList.Clear();
      error_ = ReadCommandList(root + "/docs/html/Modules/commands.txt", linkRoot, &lines_);
      if (!error_.empty()) return;
      SettleModuleMap();
      app.commandList.Sort();
      // The text index's anchors come from the list as it now stays.
      StartTextIndex(text_);
    } catch (...) {
      failure_ = std::current_exception();
    }
  });
}

String BuildAhead::TakeList(int64_t* lineCount) {
  listing_.Wait();
  if (failure_) std::rethrow_exception(failure_);
  *lineCount = lines_;
  return error_;
}

std::shared_ptr<BuildAhead> StartBuildAhead() {
  std::string root;
  if (!PathBytes(App().rootPath, root)) return nullptr;
  return std::make_shared<BuildAhead>(root);
}

}  // namespace lexidor
