#include "app/rebuild_runner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "gui/events/event_queue.h"
#include "gui/events/timing.h"
#include "process/process.h"
#include "stream/standard_io.h"

namespace lexidor {

namespace {

constexpr int kPollPauseMillis = 10;

// Takes one queued event off the queue, if there is one, and drops it.
void DropOneEvent() {
  if (PeekQueuedEvent()) AwaitEvent();
}

// Ends the child and frees its pipes however the run ends.
class ProcessCloser {
 public:
  explicit ProcessCloser(ProcessRef process) : process_(std::move(process)) {}
  ~ProcessCloser() {
    process_->Terminate();
    process_->Close();
  }

 private:
  ProcessRef process_;
};

// Hands the lines of the child's standard output to `all` and the callback,
// joining the pieces of an overlong line before the callback sees it.
class OutputCollector {
 public:
  explicit OutputCollector(const OutputLineCallback& callback) : callback_(callback) {}

  void Take(const String& text, TPipeStream::LineKind kind) {
    all_ += text;
    if (!callback_) return;
    if (kind == TPipeStream::LINE_PIECE) {
      pending_ += text;
    } else {
      String line = std::move(pending_);
      pending_.clear();
      line += text;
      callback_(line);
    }
  }
  // The bytes left when the child has ended: a last line, if any.
  void TakeLast(const String& text) {
    if (!text.empty() || !pending_.empty()) Take(text, TPipeStream::LINE_COMPLETE);
  }
  String& all() { return all_; }

 private:
  const OutputLineCallback& callback_;
  String all_;
  String pending_;
};

// Passes the child's standard error on to ours, line by line, as the bytes
// came.  Pieces of an overlong line go out without a line end; the line end
// follows with the line's last piece.  A line of standard output left open
// (the argument echo) is ended first, so that on a terminal showing both
// the line starts on a line of its own.
class ErrorRelay {
 public:
  void Pass(const String& text, TPipeStream::LineKind kind) {
    if (!midline_) EndOpenLine();
    std::string bytes = ToLatin1(text);
    midline_ = kind == TPipeStream::LINE_PIECE;
    if (!midline_) bytes += '\n';
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    wrote_ = true;
  }
  void PassLast(const String& text) {
    if (!text.empty() || midline_) Pass(text, TPipeStream::LINE_COMPLETE);
  }
  // Everything waiting in `err` now.
  void PassWaiting(TPipeStream& err) {
    String line;
    for (TPipeStream::LineKind kind; (kind = err.NextLine(line)) != TPipeStream::LINE_NONE;) {
      Pass(line, kind);
    }
    Flush();
  }
  void Flush() {
    if (wrote_) std::fflush(stderr);
    wrote_ = false;
  }

 private:
  bool midline_ = false;
  bool wrote_ = false;
};

// Reads what the ended child left in `pipe`, giving each line to `take`, and
// the last bytes without a line end to `take_last`.  Only the bytes waiting
// now are read: a descendant of the child that still holds the pipe open
// and keeps writing cannot hold the runner.
template <typename Take, typename TakeLast>
void DrainEnded(TPipeStream& pipe, Take take, TakeLast take_last) {
  int budget = pipe.ReadAvail();
  String line;
  for (;;) {
    int got = pipe.Fill(budget);
    budget -= got;
    TPipeStream::LineKind kind = pipe.TakeLine(line);
    if (kind != TPipeStream::LINE_NONE) {
      take(line, kind);
    } else if (got == 0) {
      break;
    }
  }
  take_last(pipe.TakeRemainder());
}

String Collect(const ProcessRef& proc, const OutputLineCallback& callback) {
  if (!proc) return String();
  ProcessCloser closer(proc);
  // The child reads an empty standard input: one that waits for input
  // sees its end at once instead of waiting for ever.
  proc->pipe->CloseWriteEnd();
  OutputCollector output(callback);
  ErrorRelay errors;
  TPipeStream& pipe = *proc->pipe;
  TPipeStream& err = *proc->err;

  String line;
  for (;;) {
    for (TPipeStream::LineKind kind; (kind = pipe.NextLine(line)) != TPipeStream::LINE_NONE;) {
      output.Take(line, kind);
      DropOneEvent();
    }
    errors.PassWaiting(err);
    if (proc->Status() == 0) break;
    PauseMillis(kPollPauseMillis);
    DropOneEvent();
  }

  DrainEnded(
      pipe, [&](const String& text, TPipeStream::LineKind kind) { output.Take(text, kind); },
      [&](const String& text) { output.TakeLast(text); });
  DrainEnded(
      err, [&](const String& text, TPipeStream::LineKind kind) { errors.Pass(text, kind); },
      [&](const String& text) { errors.PassLast(text); });
  errors.Flush();
  return std::move(output.all());
}

}  // namespace

String RunAndCollect(const String& command, int flags, const OutputLineCallback& callback) {
  return Collect(LaunchProcess(command, flags), callback);
}

String RunProgramAndCollect(const String& program, int flags, const OutputLineCallback& callback,
                            int* execError) {
  ProcessRef process = TProcess::CreateWithArguments({program}, flags);
  if (execError) *execError = process ? process->execError : 0;
  return Collect(process, callback);
}

String RebuildDocumentation(const String& rootPath) {
  const String program = rootPath + u"/bin/docbake";
  const std::string path = ToLatin1(program);
  String problem;
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || access(path.c_str(), X_OK) != 0) {
    problem = FromUtf8(std::strerror(errno));
  } else if (!S_ISREG(info.st_mode)) {
    problem = u"not a file";
  }
  if (problem.empty()) {
    // Started by its path as it stands, so the file checked is the file run.
    // The builder's lines start on a line of their own, after the argument
    // echo's line.
    int execError = 0;
    RunProgramAndCollect(
        program, 1,
        [](const String& line) {
          EndOpenLine();
          PrintLine(line);
        },
        &execError);
    if (execError == 0) return String();
    // Passed the checks, yet the system cannot run it (no "#!" line, an
    // interpreter that is not there).
    problem = FromUtf8(std::strerror(execError));
  }
  const String message = u"Cannot run " + program + u": " + problem;
  EndOpenLine();
  std::fprintf(stderr, "Lexidor: %s\n", ToLatin1(message).c_str());
  std::fflush(stderr);
  return message;
}

}  // namespace lexidor
