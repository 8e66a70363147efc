// The download task file: the slices' progress beside the local file, so an
// interrupted download resumes. The file comes from disk and is not trusted.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/CDownloadTask.h"

struct TaskFileContent {
  int32_t tasksCount = 0;
  int64_t contentLength = 0;
  int64_t downloadTime = 0;
  std::vector<std::unique_ptr<CDownloadTask>> tasks;
};

namespace taskfile {

// Largest task file read: a 4 GiB package has 4096 slices of about 400 bytes
// each (1.7 MB); 8 MiB leaves room for long addresses and folders.
constexpr size_t kMaxFileBytes = 8u << 20;

// The XML text: root "TaskInfo", indented, no declaration.
std::string Serialize(int32_t tasksCount, int64_t contentLength, int64_t downloadTime,
                      const std::vector<const CDownloadTask*>& tasks);

// Parses and checks a task file's text. False (and why, in error) for
// anything that is not a consistent set of slices of one file: malformed
// XML, missing or non-numeric elements, negative or overlapping positions, a
// count that disagrees with the tasks or with the slice geometry. Finished
// tasks whose bytes are not all there are made waiting again.
bool Parse(const std::string& text, TaskFileContent& out, std::string& error);

// Slice geometry: number of slices and slice k's first and last position.
int32_t SliceCount(int64_t contentLength);
int64_t SliceStart(int32_t k);
int64_t SliceEnd(int32_t k, int32_t count, int64_t contentLength);

}  // namespace taskfile
