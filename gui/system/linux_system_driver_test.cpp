#include "gui/system/linux_system_driver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gui/events/event_queue.h"
#include "gui/events/timing.h"
#include "runtime/exceptions.h"

namespace lexidor {
namespace {

using Clock = std::chrono::steady_clock;

double MillisSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A console driver without an X connection, whatever DISPLAY says.
std::shared_ptr<TLinuxSystemDriver> ConsoleOnlyDriver() {
  const char* display = getenv("DISPLAY");
  std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  auto driver = std::make_shared<TLinuxSystemDriver>();
  if (display) setenv("DISPLAY", saved.c_str(), 1);
  return driver;
}

// A local X server that answers every connection with a refusal, as a
// server does when authorization fails.
class RefusingXServer {
 public:
  RefusingXServer() {
    for (int number = 700 + getpid() % 200; number < 1000 && listen_ < 0; ++number) {
      const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
      sockaddr_un address = {};
      address.sun_family = AF_UNIX;
      std::memcpy(address.sun_path + 1, path.data(), path.size());  // abstract
      const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
      if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 && listen(fd, 16) == 0) {
        listen_ = fd;
        display_ = ":" + std::to_string(number);
      } else {
        close(fd);
      }
    }
    thread_ = std::thread([this] { Serve(); });
  }
  ~RefusingXServer() {
    shutdown(listen_, SHUT_RDWR);
    thread_.join();
    close(listen_);
  }
  const std::string& display() const { return display_; }

 private:
  void Serve() {
    for (int client; (client = accept(listen_, nullptr, nullptr)) >= 0; close(client)) {
      char prefix[12];
      if (read(client, prefix, sizeof prefix) < 1) continue;
      const bool lsb = prefix[0] == 'l';
      const std::string reason = "No protocol specified";  // 21 bytes, padded to 24
      auto u16 = [lsb](int v) {
        return lsb ? std::string{char(v & 255), char(v >> 8)}
                   : std::string{char(v >> 8), char(v & 255)};
      };
      std::string reply = std::string(1, '\0') + char(reason.size()) + u16(11) + u16(0) + u16(6) +
                          reason + std::string(3, '\0');
      ssize_t ignored = write(client, reply.data(), reply.size());
      (void)ignored;
    }
  }
  int listen_ = -1;
  std::string display_;
  std::thread thread_;
};

// Standard error goes to a file while it lives.
class StderrToFile {
 public:
  StderrToFile() : path_(std::string(P_tmpdir) + "/lexidor-stderr-XXXXXX") {
    fflush(stderr);
    file_ = mkstemp(path_.data());
    saved_ = dup(STDERR_FILENO);
    dup2(file_, STDERR_FILENO);
  }
  ~StderrToFile() {
    Restore();
    close(file_);
    unlink(path_.c_str());
  }
  std::string Text() {
    Restore();
    std::ifstream in(path_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    saved_ = -1;
  }
  std::string path_;
  int file_ = -1, saved_ = -1;
};

// A display that cannot be had gives a console driver at once, and says
// nothing: no server there, a server that answered no, a host name that
// does not resolve.  Nothing to wait for and nothing a batch run needs.
TEST(LinuxSystemDriverTest, ADisplayThatCannotBeHadIsNotWaitedForNorSpokenOf) {
  const char* display = getenv("DISPLAY");
  std::string saved = display ? display : "";
  RefusingXServer refusing;
  ASSERT_FALSE(refusing.display().empty());
  for (const std::string& name : {std::string(":987"), std::string("localhost:987"),
                                  refusing.display(), std::string("unresolvable.invalid:0")}) {
    setenv("DISPLAY", name.c_str(), 1);
    StderrToFile err;
    const auto start = Clock::now();
    auto driver = std::make_shared<TLinuxSystemDriver>();
    EXPECT_LT(MillisSince(start), 300) << name;
    EXPECT_LT(driver->XConnectionFd(), 0) << name;
    EXPECT_EQ(err.Text(), "") << name;
    if (name == refusing.display()) {
      EXPECT_NE(driver->DisplayProblem(), "") << name;
    }
  }
  if (display) {
    setenv("DISPLAY", saved.c_str(), 1);
  } else {
    unsetenv("DISPLAY");
  }
}

// Feeds `input` to standard input through a pipe (closed after it, so the
// reader then sees end of input) and captures standard output in a file.
class ConsoleRedirect {
 public:
  explicit ConsoleRedirect(const std::string& input) {
    fflush(stdout);
    saved_in_ = dup(STDIN_FILENO);
    saved_out_ = dup(STDOUT_FILENO);
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    EXPECT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    close(fds[1]);
    dup2(fds[0], STDIN_FILENO);
    close(fds[0]);
    out_ = tmpfile();
    dup2(fileno(out_), STDOUT_FILENO);
  }
  ~ConsoleRedirect() {
    Restore();
    fclose(out_);
  }
  std::string Output() {
    Restore();
    std::string text;
    rewind(out_);
    char buffer[256];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, out_)) > 0) text.append(buffer, n);
    return text;
  }

 private:
  void Restore() {
    if (saved_in_ < 0) return;
    fflush(stdout);
    dup2(saved_in_, STDIN_FILENO);
    dup2(saved_out_, STDOUT_FILENO);
    close(saved_in_);
    close(saved_out_);
    saved_in_ = saved_out_ = -1;
  }
  int saved_in_ = -1;
  int saved_out_ = -1;
  FILE* out_ = nullptr;
};

TEST(ConsoleQuestionsTest, ConfirmAndProceedAnswers) {
  auto driver = ConsoleOnlyDriver();
  struct Case {
    bool proceed;
    std::string input;
    int expected;
  };
  const Case cases[] = {
      {false, "Y\n", 1},     {false, "yes\n", 1}, {false, "y\r\n", 1}, {false, "no\n", 0},
      {false, "maybe\n", 0}, {false, "\n", 0},    {false, "", 0},      {true, "Yes\n", 1},
      {true, "y \n", 1},     {true, "no\n", 0},   {true, "N\n", 0},    {true, "maybe\n", -1},
      {true, "\n", -1},      {true, "", -1},      {true, " y\n", -1},  {true, "\xc3\xbf\n", -1},
  };
  for (const Case& c : cases) {
    ConsoleRedirect console(c.input);
    int answer = c.proceed ? driver->Proceed(u"Go on", 0) : driver->Confirm(u"Sure", 1);
    EXPECT_EQ(answer, c.expected) << (c.proceed ? "Proceed " : "Confirm ") << '"' << c.input << '"';
    EXPECT_EQ(console.Output(), c.proceed ? "Go on (Yes/No/Cancel)?" : "Sure (Yes/No)?");
  }
}

TEST(ConsoleQuestionsTest, EachQuestionTakesOnlyItsOwnLine) {
  auto driver = ConsoleOnlyDriver();
  ConsoleRedirect console("Y\nno\nsome file.txt \nsrc  \n");
  EXPECT_EQ(driver->Confirm(u"a", 0), 1);
  EXPECT_EQ(driver->Proceed(u"b", 0), 0);
  // One white-space character before the line break goes, no more.
  EXPECT_EQ(driver->RequestFile(u"ignored", u"*.txt", 1, u"/ignored"), u"some file.txt");
  EXPECT_EQ(driver->RequestDir(u"ignored", u"/ignored"), u"src ");
  EXPECT_EQ(driver->RequestDir(u"", u""), u"") << "end of input gives the empty answer";
  EXPECT_EQ(console.Output(),
            "a (Yes/No)?b (Yes/No/Cancel)?Enter a filename:Enter a directory name:"
            "Enter a directory name:");
}

TEST(ConsoleQuestionsTest, TypedPathsKeepTheirBytes) {
  auto driver = ConsoleOnlyDriver();
  // A UTF-8 terminal sends "/home/jösé" as these bytes; the file system
  // names the directory by them, one character per byte as every path.
  ConsoleRedirect console("/home/j\xc3\xb6s\xc3\xa9\nnot\xe9utf8\n");
  EXPECT_EQ(driver->RequestDir(u"", u""), FromLatin1("/home/j\xc3\xb6s\xc3\xa9"));
  EXPECT_EQ(driver->RequestFile(u"", u"", 0, u""), FromLatin1("not\xe9utf8"));
}

TEST(ConsoleQuestionsTest, NotifyWritesTheTextAndCrLf) {
  auto driver = ConsoleOnlyDriver();
  ConsoleRedirect console("");
  driver->Notify(u"Index built \u00e9", 1);
  EXPECT_EQ(console.Output(), "Index built \xc3\xa9\r\n");
}

// A temp directory holding fake openers that record their arguments, one
// per line, NUL-separated, in "args" beside them; PATH points only there.
class FakeOpeners : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/lexidor-open-XXXXXX";
    dir_ = mkdtemp(pattern);
    for (const char* name : {"gnome-open", "kfmclient"}) {
      std::string path = dir_ + "/" + name;
      std::ofstream(path) << "#!/bin/sh\nprintf '%s\\0' " << name << " \"$@\" > '" << dir_
                          << "/args'\n";
      chmod(path.c_str(), 0755);
    }
    const char* path = getenv("PATH");
    saved_path_ = path ? path : "";
    setenv("PATH", dir_.c_str(), 1);
    SaveAndUnset("KDE_FULL_DESKTOP", &saved_kde_);
    SaveAndUnset("GNOME_DESKTOP_SESSION_ID", &saved_gnome_);
    driver_ = ConsoleOnlyDriver();
  }
  void TearDown() override {
    setenv("PATH", saved_path_.c_str(), 1);
    Restore("KDE_FULL_DESKTOP", saved_kde_);
    Restore("GNOME_DESKTOP_SESSION_ID", saved_gnome_);
    std::string command = "rm -rf '" + dir_ + "'";
    EXPECT_EQ(system(command.c_str()), 0);
  }
  // The recorded argument vector; empty when no opener ran.
  std::vector<std::string> RecordedArgs() {
    std::ifstream in(dir_ + "/args", std::ios::binary);
    std::vector<std::string> args;
    std::string arg;
    while (std::getline(in, arg, '\0')) args.push_back(arg);
    return args;
  }
  static void SaveAndUnset(const char* name, std::string* saved) {
    const char* value = getenv(name);
    *saved = value ? std::string("=") + value : "";
    unsetenv(name);
  }
  static void Restore(const char* name, const std::string& saved) {
    if (saved.empty()) {
      unsetenv(name);
    } else {
      setenv(name, saved.c_str() + 1, 1);
    }
  }
  std::string dir_;
  std::string saved_path_, saved_kde_, saved_gnome_;
  std::shared_ptr<TLinuxSystemDriver> driver_;
};

TEST_F(FakeOpeners, GnomeOpenGetsTheURLAsOneUninterpretedArgument) {
  setenv("GNOME_DESKTOP_SESSION_ID", "this-session", 1);
  const std::string url = "http://x/?a=\"b\"&c='d' $(touch " + dir_ + "/pwned) `id` ;ls";
  EXPECT_EQ(driver_->OpenURL(FromUtf8(url)), 0);
  EXPECT_EQ(RecordedArgs(), (std::vector<std::string>{"gnome-open", url}));
  EXPECT_NE(access((dir_ + "/pwned").c_str(), F_OK), 0) << "the URL was run as a command";
}

TEST_F(FakeOpeners, KdeTakesPrecedenceAndUsesKfmclientExec) {
  setenv("KDE_FULL_DESKTOP", "1", 1);
  setenv("GNOME_DESKTOP_SESSION_ID", "also", 1);
  driver_->OpenURL(u"file:/a b/c.html#top");
  EXPECT_EQ(RecordedArgs(),
            (std::vector<std::string>{"kfmclient", "exec", "file:/a b/c.html#top"}));
  // A path's bytes go on as they are; text beyond a byte per character as UTF-8.
  driver_->OpenURL(FromLatin1("file:/docs/\xc3\xa9.html"));
  EXPECT_EQ(RecordedArgs().at(2), "file:/docs/\xc3\xa9.html");
  driver_->OpenURL(u"http://x/\u20ac");
  EXPECT_EQ(RecordedArgs().at(2), "http://x/\xe2\x82\xac");
}

TEST_F(FakeOpeners, EmptyOrMissingDesktopVariablesOpenNothing) {
  setenv("KDE_FULL_DESKTOP", "", 1);
  setenv("GNOME_DESKTOP_SESSION_ID", "", 1);
  EXPECT_EQ(driver_->OpenURL(u"http://x/"), 0);
  unsetenv("KDE_FULL_DESKTOP");
  unsetenv("GNOME_DESKTOP_SESSION_ID");
  EXPECT_EQ(driver_->OpenURL(u"http://x/"), 0);
  EXPECT_TRUE(RecordedArgs().empty());
}

TEST_F(FakeOpeners, MissingOpenerIsReportedNotFatal) {
  setenv("GNOME_DESKTOP_SESSION_ID", "s", 1);
  setenv("PATH", "/nonexistent-lexidor-dir", 1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(driver_->OpenURL(u"http://x/"), 0);
  std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("gnome-open"), std::string::npos) << errors;
}

class ConsoleWaitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTimingModule();
    InitEventQueueModule();
    ClearPendingSignal();
    driver_ = ConsoleOnlyDriver();
  }
  std::shared_ptr<TLinuxSystemDriver> driver_;
};

double CpuMillis() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

TEST_F(ConsoleWaitTest, TheTickNeitherEndsAWaitNorMakesItSpin) {
  double cpu = CpuMillis();
  auto start = Clock::now();
  driver_->WaitMillis(300);
  double took = MillisSince(start);
  EXPECT_GE(took, 290.0);
  EXPECT_LT(took, 1000.0);
  // A busy loop would burn about the whole 300 ms.
  EXPECT_LT(CpuMillis() - cpu, 100.0);
}

void NoteChild(int) {}

TEST_F(ConsoleWaitTest, AnEndingChildWakesTheWait) {
  struct sigaction action = {}, previous = {};
  action.sa_handler = NoteChild;
  sigaction(SIGCHLD, &action, &previous);
  pid_t child = fork();
  if (child == 0) {
    usleep(100000);
    _exit(0);
  }
  auto start = Clock::now();
  driver_->WaitMillis(5000);
  double took = MillisSince(start);
  waitpid(child, nullptr, 0);
  sigaction(SIGCHLD, &previous, nullptr);
  EXPECT_LT(took, 2000.0);
}

std::vector<int> callback_order;
std::thread::id callback_thread;

void NoteCallback(const ObjectRef& data, int argument) {
  callback_order.push_back(argument);
  callback_thread = std::this_thread::get_id();
  if (data) static_cast<TBoxedString&>(*data).value = u"ran";
}

TEST_F(ConsoleWaitTest, CallbackPostedByAnotherThreadWakesTheWaitAndRunsOnItsThread) {
  callback_order.clear();
  ObjectRef data = BoxString(u"");
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    driver_->PostMainThreadCallback(NoteCallback, data, 1);
    driver_->PostMainThreadCallback(NoteCallback, nullptr, 2);
  });
  auto start = Clock::now();
  while (callback_order.size() < 2 && MillisSince(start) < 5000) driver_->WaitMillis(5000);
  poster.join();
  EXPECT_LT(MillisSince(start), 2000.0);
  EXPECT_EQ(callback_order, (std::vector<int>{1, 2}));
  EXPECT_EQ(callback_thread, std::this_thread::get_id());
  EXPECT_EQ(*StringOf(data), u"ran");
}

TEST_F(ConsoleWaitTest, PollRunsQueuedCallbacksInOrderOnce) {
  callback_order.clear();
  for (int i = 1; i <= 3; ++i) driver_->PostMainThreadCallback(NoteCallback, nullptr, i);
  driver_->Poll();
  driver_->Poll();
  EXPECT_EQ(callback_order, (std::vector<int>{1, 2, 3}));
}

std::vector<int> handled_signals;
void NoteSignal(int signal_number) { handled_signals.push_back(signal_number); }

TEST_F(ConsoleWaitTest, PendingSignalRunsItsHandlerAndIsCleared) {
  handled_signals.clear();
  driver_->SetSignalHandler(SIGUSR1, NoteSignal);
  SetPendingSignal(SIGUSR1);
  auto start = Clock::now();
  driver_->WaitMillis(3000);
  EXPECT_LT(MillisSince(start), 500.0) << "a pending signal needs no waiting";
  EXPECT_EQ(handled_signals, std::vector<int>{SIGUSR1});

  SetPendingSignal(SIGUSR2);  // no handler: cleared all the same
  driver_->Poll();
  EXPECT_EQ(handled_signals, std::vector<int>{SIGUSR1});
  driver_->SetSignalHandler(SIGUSR1, nullptr);
}

TEST_F(ConsoleWaitTest, WithoutXNoInputEventsAndNoPointerWork) {
  EXPECT_EQ(driver_->XDisplay(), nullptr);
  EXPECT_EQ(driver_->XConnectionFd(), -1);
  ClearEventQueue();
  driver_->Poll();
  driver_->MoveMouse(1, 1);
  driver_->SetMouseVisible(0);
  EXPECT_EQ(QueuedEventCount(), 0);
  EXPECT_THROW(driver_->Emit(nullptr, nullptr), TRuntimeException);
}

TEST(SystemModuleTest, InitMakesTheConsoleDriverActiveOnce) {
  InitSystemModule();
  auto first = ConsoleSystemDriver();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(ActiveSystemDriver(), first);
  EXPECT_TRUE(MillisecondTimerRunning());
  InitSystemModule();
  EXPECT_EQ(ConsoleSystemDriver(), first);
}

}  // namespace
}  // namespace lexidor
