// The main window's background fetches from the maker's data services:
// privacy and terms links, banner pictures, the sub-programs of a toolkit
// product, the download-information refresh, and the country check.
//
// Each job runs on its own detached thread and reaches the window only
// through a SideFetchContext: shared pointers to what outlives the window
// (configuration, install state, HTTP factory) and a link to the window that
// the window cuts when it goes. Every failure ends the job with a log line.
#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "flow/InstallState.h"
#include "http/IHttpClient.h"
#include "language/Language.h"

class CConfigure;

// What the jobs may do to the window itself.
class ISideFetchWindow {
 public:
  virtual ~ISideFetchWindow() = default;
  // Posts msg (no parameters) to the window; nothing once it is gone.
  virtual void Post(unsigned msg) = 0;
  // Loads a picture file into the window's image registry.
  virtual bool RegisterImage(const std::wstring& path) = 0;
};

// The real window by its handle, until Detach().
class WindowLink final : public ISideFetchWindow {
 public:
  explicit WindowLink(uintptr_t hwnd) : hwnd_(hwnd) {}
  void Post(unsigned msg) override;
  bool RegisterImage(const std::wstring& path) override;
  void Detach();

 private:
  std::mutex lock_;
  uintptr_t hwnd_;
};

struct SideFetchContext {
  std::shared_ptr<CConfigure> config;
  std::shared_ptr<InstallState> state;
  std::shared_ptr<http::IHttpClientFactory> clients;
  std::shared_ptr<ISideFetchWindow> window;
  std::wstring downloadFolder;  // banner pictures go here
  std::wstring installFolder;   // sub-programs are installed beside the product
  EnumLanguage language = Lang_English;
  bool toolkit = false;
};

namespace SideFetches {

void GetCbsPrivacy(const SideFetchContext& c);
void GetCbsBanner(const SideFetchContext& c);
void GetSubProgramInfo(const SideFetchContext& c);
// Asks the download-information service again; a late answer (the install
// worker already started) is dropped.
void AsyncGetCbsInfo(const SideFetchContext& c);
// Whether the user's country is excluded; force looks the country up even
// when the product forbids none.
bool IsNotSupport(const SideFetchContext& c, bool force);

// Runs job with the context that p points to (a heap shared_ptr the call
// takes over). Answers 0.
unsigned RunJob(void* p, void (*job)(const SideFetchContext&));
// Starts entry(p) on a counted thread (FuntionImpl::StartCounted), p holding
// a copy of context.
void StartDetached(unsigned (*entry)(void*), const std::shared_ptr<SideFetchContext>& context);

// The click id in the stub's file name: the text between the last "_" and
// the last "." when it is longer than 20 characters and begins with "2",
// minus those 20. separated is false when the name has no "_".
std::wstring ClickIdOf(const std::wstring& fileName, bool& separated);

}  // namespace SideFetches

namespace FuntionImpl {
// The signed banner address for the interface language.
std::string GetBannerPicUrl(int parentPid, EnumLanguage language);
}  // namespace FuntionImpl
