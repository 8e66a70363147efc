// A move-only owner of one OS or library handle. The traits name the handle
// type, its "no handle" value and how to close it, so every kind of handle
// (files, mutexes, events, registry keys, processes, GDI objects, curl
// handles) is released exactly once, on every path.
//
//   struct FileTraits {
//     using Type = HANDLE;
//     static Type Invalid() { return INVALID_HANDLE_VALUE; }
//     static void Close(Type h) { ::CloseHandle(h); }
//   };
//   using UniqueFile = platform::UniqueHandle<FileTraits>;
#pragma once
#include <utility>

namespace platform {

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() noexcept : h_(Traits::Invalid()) {}
  explicit UniqueHandle(Type h) noexcept : h_(h) {}
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Type get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return h_ != Traits::Invalid(); }

  // Gives the handle up without closing it.
  Type release() noexcept { return std::exchange(h_, Traits::Invalid()); }

  // Closes the handle held (if any) and takes h.
  void reset(Type h = Traits::Invalid()) noexcept {
    Type old = std::exchange(h_, h);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

  // Closes the handle held and lends the slot to a call that writes a new
  // one through a pointer (COM's out-parameters). Only for calls that leave
  // the "no handle" value there when they fail.
  Type* put() noexcept {
    reset();
    return &h_;
  }

 private:
  Type h_;
};

}  // namespace platform
