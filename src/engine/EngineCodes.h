// Stable numbers of the download engine. The task file stores the task
// status numbers, telemetry and the installer flow report the result codes,
// so none of them may change.
#pragma once
#include <cstdint>

// Results of a download (downloadInit, SuperDownloadFile).
enum EnumErrorCode : int {
  DOWNLOAD_SUCCESS = 1,          // file complete
  DOWNLOAD_SIZE_UNKNOWN = 6,     // remote size unknown after 5 probes
  DOWNLOAD_FILE_OPEN = 7,        // local file cannot be opened
  DOWNLOAD_NO_THREADS = 8,       // no worker thread could be started
  DOWNLOAD_NO_NETWORK = 9,       // the system reports no network
  DOWNLOAD_STALLED = 10,         // no new bytes for 30 s
  DOWNLOAD_CDN_FAILING = 11,     // CDN address: too many failed slice runs
  DOWNLOAD_INCOMPLETE = 12,      // driver stopped with bytes missing
  DOWNLOAD_TOO_MANY_REDIRECTS = 13,  // size unknown, last probe error was too many redirects
  DOWNLOAD_TOO_SMALL = 15,       // under 1 MiB where a real package was expected
  DOWNLOAD_TOO_LARGE = 16,       // the announced size is over the caller's limit
};

// The largest file the engine accepts when the caller names no size: the
// announced size decides how many slices are kept and how large the file is
// made, before a byte has arrived.
constexpr int64_t kMaxDownloadBytes = int64_t(4) << 30;

// Worker thread status words.
enum : int32_t {
  THREAD_EXIT = 0,   // the thread function must return
  THREAD_WORK = 1,   // a task was handed over and must be run
  THREAD_IDLE = 2,   // no work; sleeping on the wake event
};

// Task status words (also "TaskStatus" in the task file).
enum : int32_t {
  TASK_WAITING = 0,   // new, never run
  TASK_FINISHED = 1,  // done; never run again
  TASK_FAILED = 2,    // last run failed; queued again
  TASK_RUNNING = 3,   // handed to a thread
};

// Driver state words.
enum : int32_t {
  DOWNLOAD_STOP = 0,
  DOWNLOAD_RUN = 1,
  DOWNLOAD_READY = 2,  // constructed, not started
};

// Slices are 1 MiB.
constexpr int64_t kSliceSize = 1048576;
