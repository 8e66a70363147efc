// Process-wide toolkit state (the skin package, resource path, instance) and
// the per-window control tree.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/Control.h"
#include "toolkit/DialogBuilder.h"

namespace SkinUI {

class SkinPackage;

class CPaintManagerUI {
 public:
  // Process-wide set-up and shut-down.
  static void SetInstance(uintptr_t instance);
  static uintptr_t GetInstance();
  static void SetResourcePath(const std::wstring& path);
  static std::wstring GetResourcePath();
  // Hands a copy of the package bytes to the toolkit; false when not a ZIP.
  static bool SetResourceZip(const std::string& bytes);
  static const SkinPackage* GetResourceZip();  // nullptr when none is held
  // Releases the package and every cached resource.
  static void Term();

  // Per window: builds the window's tree from a layout of the package.
  bool LoadLayout(const std::string& layoutFile);
  void AttachRoot(std::unique_ptr<CControlUI> root);
  CControlUI* GetRoot() const { return root_.get(); }
  CControlUI* FindControl(const std::wstring& name) const;
  const WindowInfo& GetWindowInfo() const { return windowInfo_; }

 private:
  std::unique_ptr<CControlUI> root_;
  WindowInfo windowInfo_;
};

}  // namespace SkinUI
