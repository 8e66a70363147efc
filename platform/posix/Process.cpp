// Child processes of the POSIX stand-in. A child gets its whole Windows
// command line as its one argument, and reports its end as a Windows program
// would (a signal death becomes the matching exception code).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Utf.h"
#include "platform/SystemOps.h"
#include "platform/posix/PosixSupport.h"

extern char** environ;

namespace platform {
namespace posix {

namespace {

// What ProcessHandle points at; CloseProcess deletes it.
struct ChildProcess {
  pid_t pid = 0;
  std::mutex lock;
  bool ended = false;
  int status = 0;
};

ChildProcess* FromHandle(ProcessHandle h) { return reinterpret_cast<ChildProcess*>(h); }

unsigned long WindowsError(int err) {
  switch (err) {
    case ENOENT: return 2;         // ERROR_FILE_NOT_FOUND
    case ENOTDIR: return 3;        // ERROR_PATH_NOT_FOUND
    case EACCES: case EPERM: return 5;  // ERROR_ACCESS_DENIED
    case ENOMEM: case EAGAIN: return 8;  // ERROR_NOT_ENOUGH_MEMORY
    case ENOEXEC: return 193;      // ERROR_BAD_EXE_FORMAT
    case ENAMETOOLONG: return 206; // ERROR_FILENAME_EXCED_RANGE
    case E2BIG: return 87;         // ERROR_INVALID_PARAMETER
    default: return 31;            // ERROR_GEN_FAILURE
  }
}

unsigned long ExitCodeOf(int status) {
  if (WIFEXITED(status)) return static_cast<unsigned long>(WEXITSTATUS(status));
  if (!WIFSIGNALED(status)) return 1;
  switch (WTERMSIG(status)) {
    case SIGSEGV: case SIGBUS: return 0xC0000005UL;  // access violation
    case SIGILL: return 0xC000001DUL;                // illegal instruction
    case SIGFPE: return 0xC0000094UL;                // integer division by zero
    case SIGABRT: return 3;                          // what abort() exits with there
    default: return 1;
  }
}

// Reaps the child when it has ended; the caller holds its lock.
bool PollEnded(ChildProcess& c) {
  if (c.ended) return true;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(c.pid, &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == c.pid) {
    c.ended = true;
    c.status = status;
  }
  return c.ended;
}

struct SpawnActions {
  posix_spawn_file_actions_t actions;
  SpawnActions() { posix_spawn_file_actions_init(&actions); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
};

// 0 or the errno of the failed start.
int Spawn(const std::string& program, bool searchPath, const std::vector<std::string>& args,
          const posix_spawn_file_actions_t* actions, pid_t& pid) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return searchPath ? posix_spawnp(&pid, program.c_str(), actions, nullptr, argv.data(), environ)
                    : posix_spawn(&pid, program.c_str(), actions, nullptr, argv.data(), environ);
}

}  // namespace

std::wstring FirstCommandLineItem(const std::wstring& commandLine) {
  size_t start = commandLine.find_first_not_of(L" \t");
  if (start == std::wstring::npos) return {};
  if (commandLine[start] == L'"') {
    size_t end = commandLine.find(L'"', start + 1);
    return commandLine.substr(start + 1, end == std::wstring::npos ? std::wstring::npos : end - start - 1);
  }
  size_t end = commandLine.find_first_of(L" \t", start);
  return commandLine.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

}  // namespace posix

namespace sysops {

using namespace posix;

ProcessStart StartProcess(const std::wstring& application, const std::wstring& commandLine,
                          const std::wstring& workDir) {
  ProcessStart result;
  std::string program = PosixPath(application.empty() ? FirstCommandLineItem(commandLine) : application);
  if (program.empty()) {
    result.error = 2;
    return result;
  }
  SpawnActions spawn;
  if (!workDir.empty()) {
    std::string dir = PosixPath(workDir);
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      result.error = 267;  // ERROR_DIRECTORY, as for a missing working folder there
      return result;
    }
    posix_spawn_file_actions_addchdir_np(&spawn.actions, dir.c_str());
  }
  // A bare name is looked up in PATH, as the system's search would.
  bool search = program.find('/') == std::string::npos;
  auto child = std::make_unique<ChildProcess>();
  int err = Spawn(program, search, {program, Utf8FromWide(commandLine)}, &spawn.actions, child->pid);
  if (err != 0) {
    result.error = WindowsError(err);
    return result;
  }
  result.pid = static_cast<unsigned>(child->pid);
  result.handle = reinterpret_cast<ProcessHandle>(child.release());
  return result;
}

WaitResult WaitProcess(ProcessHandle h, unsigned timeoutMs) {
  if (!h) return WaitResult::Failed;
  ChildProcess& c = *FromHandle(h);
  const unsigned scaled = ScaleByTestClock(timeoutMs);
  const bool forever = scaled == 0xFFFFFFFFu;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(forever ? 0 : scaled);
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    {
      std::lock_guard<std::mutex> g(c.lock);
      if (PollEnded(c)) return WaitResult::Signalled;
      if (kill(c.pid, 0) != 0 && errno == ESRCH) return WaitResult::Failed;  // reaped elsewhere
    }
    auto now = std::chrono::steady_clock::now();
    if (!forever && now >= deadline) return WaitResult::TimedOut;
    auto left = forever ? pause : std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    std::this_thread::sleep_for(std::min(pause, std::max(left, std::chrono::milliseconds(1))));
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
}

bool ProcessExitCode(ProcessHandle h, unsigned long& code) {
  if (!h) return false;
  ChildProcess& c = *FromHandle(h);
  std::lock_guard<std::mutex> g(c.lock);
  if (!PollEnded(c)) return false;
  code = ExitCodeOf(c.status);
  return true;
}

void CloseProcess(ProcessHandle h) {
  std::unique_ptr<ChildProcess> c(FromHandle(h));
  // A child that has already ended is reaped now; a running one is left to run.
  if (c) PollEnded(*c);
}

void SleepMs(unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ScaleByTestClock(ms))); }

}  // namespace sysops

namespace posix {

bool RunCaptured(const std::vector<std::string>& argv, std::string& output, int& exitStatus) {
  int fds[2];
  if (argv.empty() || pipe2(fds, O_CLOEXEC) != 0) return false;
  SpawnActions spawn;
  posix_spawn_file_actions_addopen(&spawn.actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&spawn.actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&spawn.actions, fds[1], 2);
  pid_t pid = 0;
  int err = Spawn(argv[0], true, argv, &spawn.actions, pid);
  close(fds[1]);
  if (err != 0) {
    close(fds[0]);
    return false;
  }
  output.clear();
  char buf[4096];
  for (;;) {
    ssize_t n = read(fds[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    output.append(buf, static_cast<size_t>(n));
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return true;
}

}  // namespace posix
}  // namespace platform
