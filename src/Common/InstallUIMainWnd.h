// The installer's main window. It owns the configuration record, loads the
// skin's configuration labels while it is created and configures the log.
#pragma once
#include <memory>
#include <string>

#include "CConfigure/CConfigure.h"
#include "toolkit/PaintManager.h"
#include "toolkit/WindowWnd.h"

class InstallUIMainWnd : public SkinUI::CWindowWnd {
 public:
  InstallUIMainWnd();
  ~InstallUIMainWnd() override;

  std::wstring GetWindowClassName() const override;
  intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

  CConfigure* Config() const { return config_.get(); }
  SkinUI::CPaintManagerUI& PaintManager() { return pm_; }

  // Whether this country may not run the stub.
  bool IsNotSupport(bool logIt);
  // Shows the window once its pages exist; until then it stays hidden, which
  // is all the single-instance guards need.
  void ShowMainWindow();

  const std::wstring& DownloadFolder() const { return downloadFolder_; }
  const std::wstring& LogFilePath() const { return logFilePath_; }
  const std::wstring& RunTimeStamp() const { return runTimeStamp_; }

  // The product folder name: the part of Extra_download_url after its last
  // "/" up to the first "." that follows; Software_name when there is none.
  static std::wstring ProductFolderName(const std::wstring& extraDownloadUrl, const std::wstring& softwareName);
  // The package file name and the log file name derived from it.
  static std::wstring PackageFileName(const std::wstring& extraDownloadUrl, const std::wstring& softwareVersion);
  static std::wstring LogFileName(const std::wstring& packageFileName, const std::wstring& timeStamp);

 private:
  void InitWindow();
  void OnClose();

  SkinUI::CPaintManagerUI pm_;
  std::unique_ptr<CConfigure> config_;
  std::wstring defaultInstallFolder_;
  std::wstring downloadFolder_;
  std::wstring installFolderName_;
  std::wstring logFilePath_;
  std::wstring runTimeStamp_;
  int closeMode_ = 2;
  uint64_t startTick_ = 0;
};
