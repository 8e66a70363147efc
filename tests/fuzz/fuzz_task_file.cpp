// The task file beside an interrupted download, read as the resume reads it
// (the task manager's load and its check against the remote size); whatever
// the parser accepts must be written back to a text it accepts again.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "TestSupport.h"
#include "engine/CDownloadTaskManager.h"
#include "engine/TaskFile.h"
#include "http/fake/FakeHttpClient.h"
#include "platform/Platform.h"

namespace {
const char kUrl[] = "https://download.lumevia.com/release/Lumevia_Setup.exe";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TaskFileContent content;
  std::string error;
  if (taskfile::Parse(text, content, error)) {
    fuzz::Require(content.tasksCount == static_cast<int32_t>(content.tasks.size()), "one task per slice");
    std::vector<const CDownloadTask*> tasks;
    for (const auto& t : content.tasks) tasks.push_back(t.get());
    const std::string written =
        taskfile::Serialize(content.tasksCount, content.contentLength, content.downloadTime, tasks);
    TaskFileContent back;
    fuzz::Require(taskfile::Parse(written, back, error), "an accepted file survives its own rewrite");
    fuzz::Require(back.tasks.size() == content.tasks.size(), "the rewrite keeps every slice");
  } else {
    fuzz::Require(content.tasks.empty(), "a refused file leaves no tasks");
  }

  // The same text from disk through the task manager, the remote size being
  // the one the file names.
  static testing_support::TempDir* dir = new testing_support::TempDir();
  const std::wstring taskFile = dir->file(L"Lumevia_Setup.exe.xml");
  platform::os().WriteFile(taskFile, text);
  http::FakeHttpClientFactory web;
  http::FakeAnswer head;
  head.headers = {{"Content-Length", std::to_string(content.contentLength)}};
  web.web.answer(kUrl, head);
  CDownloadTaskManager manager(kUrl, dir->file(L"Lumevia_Setup.exe"), taskFile, web);
  if (manager.loadTaskFile() == 1) {
    fuzz::Require(manager.checkTasks() == 1, "an accepted file tiles the remote size it names");
    manager.isAllTasksFinished();
    manager.getDownloadedSize();
  }
  return 0;
}
