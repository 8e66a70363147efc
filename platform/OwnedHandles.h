// Owners of the handles that platform::Os hands out. Each gives its handle
// back through the Os in force when it closes, exactly once, so a caller
// above the platform cannot leak one on an early return.
//
//   platform::OwnedFile file(platform::os().OpenFileForUpdate(path));
//   if (!file) return false;
//   platform::os().WriteFileAt(file.get(), 0, data, len);
#pragma once
#include "platform/Platform.h"
#include "platform/UniqueHandle.h"

namespace platform {

struct OwnedFileTraits {
  using Type = FileHandle;
  static Type Invalid() { return 0; }
  static void Close(Type h) { os().CloseFile(h); }
};

struct OwnedEventTraits {
  using Type = EventHandle;
  static Type Invalid() { return 0; }
  static void Close(Type h) { os().CloseEvent(h); }
};

// A mutex this thread does not own: one created without ownership, or one
// another process already held when this one asked for it. Only closed.
struct OwnedMutexTraits {
  using Type = MutexHandle;
  static Type Invalid() { return 0; }
  static void Close(Type h) { os().ReleaseAndCloseMutex(h, false); }
};

// A mutex this thread owns (created with ownership granted): released, then
// closed, so that the next creation elsewhere does not find it taken.
struct HeldMutexTraits {
  using Type = MutexHandle;
  static Type Invalid() { return 0; }
  static void Close(Type h) { os().ReleaseAndCloseMutex(h, true); }
};

// A started child process: closing the handle leaves the child running.
struct OwnedProcessTraits {
  using Type = ProcessHandle;
  static Type Invalid() { return 0; }
  static void Close(Type h) { os().CloseProcess(h); }
};

using OwnedFile = UniqueHandle<OwnedFileTraits>;
using OwnedEvent = UniqueHandle<OwnedEventTraits>;
using OwnedMutex = UniqueHandle<OwnedMutexTraits>;
using HeldMutex = UniqueHandle<HeldMutexTraits>;
using OwnedProcess = UniqueHandle<OwnedProcessTraits>;

}  // namespace platform
