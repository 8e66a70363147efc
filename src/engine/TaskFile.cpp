#include "engine/TaskFile.h"

#include <tinyxml2.h>

#include <cerrno>
#include <cstdlib>

#include "platform/Utf.h"

namespace taskfile {

int32_t SliceCount(int64_t contentLength) {
  int64_t n = contentLength / kSliceSize;
  return n < 1 ? 1 : static_cast<int32_t>(n);
}

int64_t SliceStart(int32_t k) { return static_cast<int64_t>(k - 1) * kSliceSize; }

int64_t SliceEnd(int32_t k, int32_t count, int64_t contentLength) {
  return k < count ? static_cast<int64_t>(k) * kSliceSize - 1 : contentLength;
}

namespace {

void AddText(tinyxml2::XMLDocument& doc, tinyxml2::XMLElement* parent, const char* name, const std::string& v) {
  tinyxml2::XMLElement* e = doc.NewElement(name);
  e->SetText(v.c_str());
  parent->InsertEndChild(e);
}

// The element's whole text as a decimal int64 (an optional leading "-").
bool ReadInt(const tinyxml2::XMLElement* parent, const char* name, int64_t& v) {
  const tinyxml2::XMLElement* e = parent->FirstChildElement(name);
  if (!e || !e->GetText()) return false;
  const char* s = e->GetText();
  char* end = nullptr;
  errno = 0;
  long long x = std::strtoll(s, &end, 10);
  if (errno != 0 || end == s || *end != '\0') return false;
  v = x;
  return true;
}

}  // namespace

std::string Serialize(int32_t tasksCount, int64_t contentLength, int64_t downloadTime,
                      const std::vector<const CDownloadTask*>& tasks) {
  tinyxml2::XMLDocument doc;
  tinyxml2::XMLElement* root = doc.NewElement("TaskInfo");
  doc.InsertEndChild(root);
  AddText(doc, root, "TasksCount", std::to_string(tasksCount));
  AddText(doc, root, "ContentLength", std::to_string(contentLength));
  AddText(doc, root, "DownloadTime", std::to_string(downloadTime));
  for (const CDownloadTask* t : tasks) {
    tinyxml2::XMLElement* e = doc.NewElement("Task");
    root->InsertEndChild(e);
    AddText(doc, e, "StartPos", std::to_string(t->StartPos));
    AddText(doc, e, "EndPos", std::to_string(t->EndPos));
    AddText(doc, e, "DownloadedPos", std::to_string(t->DownloadedPos.load()));
    AddText(doc, e, "RemotePath", t->RemotePath);
    AddText(doc, e, "LocalPath", platform::Utf8FromWide(t->LocalPath));
    AddText(doc, e, "TaskStatus", std::to_string(t->status.load()));
    AddText(doc, e, "TaskId", std::to_string(t->taskId.load()));
    AddText(doc, e, "RequestTimes", std::to_string(t->RequestTimes.load()));
  }
  tinyxml2::XMLPrinter printer;  // indented
  doc.Print(&printer);
  return printer.CStr();
}

bool Parse(const std::string& text, TaskFileContent& out, std::string& error) {
  out = TaskFileContent();
  if (text.size() > kMaxFileBytes) {
    error = "file too large";
    return false;
  }
  tinyxml2::XMLDocument doc;
  if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
    error = "not XML";
    return false;
  }
  const tinyxml2::XMLElement* root = doc.FirstChildElement("TaskInfo");
  if (!root) {
    error = "no TaskInfo";
    return false;
  }
  int64_t count = 0, length = 0, time = 0;
  if (!ReadInt(root, "TasksCount", count) || !ReadInt(root, "ContentLength", length) ||
      !ReadInt(root, "DownloadTime", time)) {
    error = "missing header element";
    return false;
  }
  if (length <= 0 || time < 0 || count != SliceCount(length)) {
    error = "count or length out of range";
    return false;
  }
  std::vector<std::unique_ptr<CDownloadTask>> tasks;
  int32_t k = 0;
  for (const tinyxml2::XMLElement* e = root->FirstChildElement("Task"); e; e = e->NextSiblingElement("Task")) {
    if (++k > count) {
      error = "more tasks than TasksCount";
      return false;
    }
    int64_t start, endPos, done, status, id, ignored;
    if (!ReadInt(e, "StartPos", start) || !ReadInt(e, "EndPos", endPos) || !ReadInt(e, "DownloadedPos", done) ||
        !ReadInt(e, "TaskStatus", status) || !ReadInt(e, "TaskId", id)) {
      error = "task " + std::to_string(k) + " incomplete";
      return false;
    }
    (void)ignored;
    auto t = std::make_unique<CDownloadTask>();
    t->StartPos = start;
    t->EndPos = endPos;
    t->ContentLength = length;
    // Each slice sits exactly where the geometry puts it; anything else
    // (negative, overlapping, gaps, wrong numbering) is not our file.
    if (id != k || start != SliceStart(k) || endPos != SliceEnd(k, static_cast<int32_t>(count), length) ||
        done < start || done > t->limit() || status < TASK_WAITING || status > TASK_RUNNING) {
      error = "task " + std::to_string(k) + " out of place";
      return false;
    }
    const tinyxml2::XMLElement* rp = e->FirstChildElement("RemotePath");
    const tinyxml2::XMLElement* lp = e->FirstChildElement("LocalPath");
    t->RemotePath = rp && rp->GetText() ? rp->GetText() : "";
    t->LocalPath = lp && lp->GetText() ? platform::WideFromUtf8(lp->GetText()) : std::wstring();
    t->taskId.store(static_cast<int32_t>(id));
    t->DownloadedPos.store(done);
    t->RequestTimes.store(0);  // failures of earlier runs do not count against this one
    // Only a slice whose bytes are all there counts as finished.
    t->status.store(t->complete() ? TASK_FINISHED : TASK_WAITING);
    tasks.push_back(std::move(t));
  }
  if (k != count) {
    error = "fewer tasks than TasksCount";
    return false;
  }
  out.tasksCount = static_cast<int32_t>(count);
  out.contentLength = length;
  out.downloadTime = time;
  out.tasks = std::move(tasks);
  return true;
}

}  // namespace taskfile
