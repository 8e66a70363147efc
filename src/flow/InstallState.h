// What the install worker and the main window share about one installation.
// The window makes it and hands the worker a shared_ptr: the worker may still
// be running when the window is gone (the process can end under it), so the
// state must not live in the window.
//
// Each field has one writer, named beside it. Counters and flags that one
// thread writes and another reads are atomics; the strings are written while
// the worker runs, so they are guarded by one mutex and handed out as copies.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "flow/SubProgramList.h"

class InstallState {
 public:
  // Phase of the worker: 0 while verifying, 1 from the start of installation
  // on. Writer: the worker; read by the window's verification timer.
  std::atomic<int> phase{0};
  // Set once the installer (and every sub-program installer) finished.
  // Writer: the worker; read by the window's installation timer.
  std::atomic<bool> installerFinished{false};
  // The installed product was started. Writer: the window's start action;
  // read by the close reason.
  std::atomic<bool> started{false};
  // This run was started by the user's retry. Writer: the window, before it
  // starts the worker; read by the worker and the window's reports.
  std::atomic<bool> retry{false};
  // Sub-programs handled so far in this run. Writer: the worker (reset at its
  // start); read on the worker's thread by the download progress callback.
  std::atomic<int> subProgramCounter{0};
  // Bytes of the package (set by the progress callback's first report) plus
  // the sub-programs (added by the worker). Writer: the worker's thread only.
  std::atomic<int64_t> totalBytes{0};
  // The install worker was started. Writer: the window; read by the download
  // information refresh, which then drops its late answer.
  std::atomic<bool> workerStarted{false};
  // The sub-programs of a toolkit product. Writer: the sub-program
  // information fetch; the worker marks the ones it downloaded, and the start
  // of the product reads them.
  SubProgramList subPrograms;

  // The address finally used. Writer: the worker; read by the advice link.
  std::wstring CurrentDownloadUrl() const { return Get(currentDownloadUrl_); }
  void SetCurrentDownloadUrl(const std::wstring& url) { Set(currentDownloadUrl_, url); }
  // The package file of this run. Writer: the worker; read by the window's
  // clean-up, installation timer and start action.
  std::wstring PackagePath() const { return Get(packagePath_); }
  void SetPackagePath(const std::wstring& path) { Set(packagePath_, path); }
  // The country of the IP lookup; empty until one succeeded. Writers: the
  // country check on the main thread and the sub-program fetch.
  std::wstring CountryCode() const { return Get(countryCode_); }
  void SetCountryCode(const std::wstring& code) { Set(countryCode_, code); }

 private:
  template <class T>
  T Get(const T& field) const {
    std::lock_guard<std::mutex> l(lock_);
    return field;
  }
  template <class T>
  void Set(T& field, const T& value) {
    std::lock_guard<std::mutex> l(lock_);
    field = value;
  }

  mutable std::mutex lock_;
  std::wstring currentDownloadUrl_;
  std::wstring packagePath_;
  std::wstring countryCode_;
};
