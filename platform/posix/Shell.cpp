// The shell of the POSIX stand-in: "open" starts programs, addresses and
// documents are only written down, message boxes are written down and
// return at once (no one would click them). Every call leaves a line in
// <root>/shell/, so tests see what was opened.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Utf.h"
#include "platform/SystemOps.h"
#include "platform/posix/PosixSupport.h"

namespace platform {
namespace sysops {

using namespace posix;

namespace {

// Line breaks and tabs in a field would split the record.
std::string Field(const std::wstring& text) {
  std::string out;
  for (char c : Utf8FromWide(text)) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

// One record: the fields separated by tabs, appended in one write.
void AppendRecord(const char* logName, std::initializer_list<std::wstring> fields) {
  std::string dir = Root() + "/shell";
  MakeDirs(dir);
  std::string line;
  for (const std::wstring& f : fields) line += (line.empty() ? "" : "\t") + Field(f);
  line += "\n";
  int fd = open((dir + "/" + logName).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  ssize_t ignored = write(fd, line.data(), line.size());
  (void)ignored;
  close(fd);
}

bool IsAddress(const std::wstring& file) {
  std::string s = ToLowerAscii(Utf8FromWide(file));
  return s.rfind("http://", 0) == 0 || s.rfind("https://", 0) == 0;
}

// The file as the shell would find it: as given, or a bare name in PATH.
std::string Locate(const std::wstring& file) {
  std::string path = PosixPath(file);
  struct stat st;
  if (path.find('/') != std::string::npos || stat(path.c_str(), &st) == 0) return path;
  const char* env = std::getenv("PATH");
  std::string dirs = env ? env : "";
  size_t at = 0;
  while (at <= dirs.size()) {
    size_t end = dirs.find(':', at);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(at, end - at) + "/" + path;
    if (end > at && stat(candidate.c_str(), &st) == 0) return candidate;
    at = end + 1;
  }
  return path;
}

bool IsProgram(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

ShellResult Started(const std::string& program, const std::wstring& parameters) {
  std::wstring line = L"\"" + WideFromUtf8(program) + L"\"";
  if (!parameters.empty()) line += L" " + parameters;
  ProcessStart p = StartProcess(WideFromUtf8(program), line, L"");
  CloseProcess(p.handle);
  ShellResult r;
  if (p.handle) {
    r.code = 42;
  } else {
    r.code = p.error <= 32 ? static_cast<intptr_t>(p.error) : 31;  // SE_ERR_NOASSOC
    r.lastError = p.error;
  }
  return r;
}

}  // namespace

ShellResult ShellExec(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters) {
  AppendRecord("opened.log", {verb, file, parameters});
  ShellResult ok;
  ok.code = 42;
  if (IsAddress(file)) return ok;
  // The file browser started with "/e, <program>" starts the program, the
  // way a program is launched as the desktop's user there.
  if (ToLowerAscii(Utf8FromWide(FileNameOf(file))) == "explorer.exe") {
    size_t comma = parameters.find(L',');
    std::wstring target = comma == std::wstring::npos ? std::wstring() : FirstCommandLineItem(parameters.substr(comma + 1));
    std::string program = PosixPath(target);
    if (parameters.compare(0, 2, L"/e") == 0 && IsProgram(program)) return Started(program, L"");
    return ok;
  }
  std::string path = Locate(file);
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    ShellResult missing;
    missing.code = 2;  // SE_ERR_FNF
    missing.lastError = 2;
    return missing;
  }
  bool opens = verb.empty() || verb == L"open" || verb == L"runas";
  if (opens && IsProgram(path)) return Started(path, parameters);
  return ok;  // a document or folder: no associations here
}

void SystemMessageBox(WindowHandle, const std::wstring& text, const std::wstring& title) {
  AppendRecord("messagebox.log", {title, text});
}

}  // namespace sysops
}  // namespace platform
