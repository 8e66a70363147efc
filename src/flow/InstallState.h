// What the install worker and the main window share about one installation.
// The window makes it and hands the worker a shared_ptr: the worker may still
// be running when the window is gone (the process can end under it), so the
// state must not live in the window.
//
// Each field has one writer, named beside it. Counters and flags that one
// thread writes and another reads are atomics; the strings and the file list
// are written while the worker runs, so they are guarded by one mutex and
// handed out as copies.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// One sub-program of a toolkit product, as the kit-download service named it.
struct SubProgramRecord {
  int32_t id = 0;        // "pid"
  int32_t parentId = 0;  // "parent_pid"
  std::wstring downloadUrl;
  std::wstring fileSize;
  std::wstring md5;
  std::wstring launchName;
  std::wstring folderName;
  int downloaded = 0;
};

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
  // Sub-program records known. Writer: the sub-program information fetch;
  // read by the download progress callback on the worker's thread.
  std::atomic<int> subProgramRecords{0};
  // Bytes of the package (set by the progress callback's first report) plus
  // the sub-programs (added by the worker). Writer: the worker's thread only.
  std::atomic<int64_t> totalBytes{0};
  // The install worker was started. Writer: the window; read by the download
  // information refresh, which then drops its late answer.
  std::atomic<bool> workerStarted{false};

  // The address finally used. Writer: the worker; read by the advice link.
  std::wstring CurrentDownloadUrl() const { return Get(currentDownloadUrl_); }
  void SetCurrentDownloadUrl(const std::wstring& url) { Set(currentDownloadUrl_, url); }
  // The package file of this run. Writer: the worker; read by the window's
  // clean-up, installation timer and start action.
  std::wstring PackagePath() const { return Get(packagePath_); }
  void SetPackagePath(const std::wstring& path) { Set(packagePath_, path); }
  // Local files of the sub-programs. Writer: the sub-program information
  // fetch; read by the worker and by the window's installation timer.
  std::vector<std::wstring> SubProgramFiles() const { return Get(subProgramFiles_); }
  void SetSubProgramFiles(const std::vector<std::wstring>& files) { Set(subProgramFiles_, files); }
  // The four sub-program lists grow together, one element of each per
  // append, so a reader never sees them out of step. Writer: the sub-program
  // information fetch; read by the worker.
  void AppendSubProgram(const SubProgramRecord& record, const std::wstring& url, const std::wstring& localPath,
                        const std::wstring& folder) {
    std::lock_guard<std::mutex> l(lock_);
    subPrograms_.push_back(record);
    subProgramUrls_.push_back(url);
    subProgramFiles_.push_back(localPath);
    subProgramFolders_.push_back(folder);
    subProgramRecords = static_cast<int>(subPrograms_.size());
  }
  std::vector<SubProgramRecord> SubPrograms() const { return Get(subPrograms_); }
  std::vector<std::wstring> SubProgramUrls() const { return Get(subProgramUrls_); }
  std::vector<std::wstring> SubProgramFolders() const { return Get(subProgramFolders_); }
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
  std::vector<std::wstring> subProgramFiles_;
  std::vector<std::wstring> subProgramUrls_;
  std::vector<std::wstring> subProgramFolders_;
  std::vector<SubProgramRecord> subPrograms_;
  std::wstring countryCode_;
};
