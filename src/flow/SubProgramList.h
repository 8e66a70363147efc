// The sub-programs of a toolkit product, as the kit-download service named
// them: filled by the sub-program fetch while the install worker may already
// run, which waits for it with a deadline.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct SubProgramRecord {
  int32_t id = 0;        // "pid"
  int32_t parentId = 0;  // "parent_pid"
  std::wstring downloadUrl;
  std::wstring fileSize;
  std::wstring md5;
  std::wstring launchName;
  std::wstring folderName;
  int downloaded = 0;      // set by the worker once its download succeeded
  std::wstring localPath;  // where it is downloaded to
};

class SubProgramList {
 public:
  // Writer: the fetch, one whole record at a time.
  void Append(const SubProgramRecord& record);
  // The fetch ended, with or without records.
  void SetReady();
  // A retried run fetches again only when the last fetch ended with nothing;
  // true when it did, and the list then waits for the new fetch.
  bool ReopenIfEmpty();
  // Waits until the fetch ended or `deadline` passed, and gives the records
  // known then.
  std::vector<SubProgramRecord> WaitReady(std::chrono::milliseconds deadline) const;
  std::vector<SubProgramRecord> Records() const;
  size_t Size() const;
  // Writer: the worker.
  void MarkDownloaded(size_t index);

 private:
  mutable std::mutex lock_;
  mutable std::condition_variable ready_;
  std::vector<SubProgramRecord> records_;
  bool done_ = false;
};
