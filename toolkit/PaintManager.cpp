#include "toolkit/PaintManager.h"

#include <mutex>

#include "toolkit/SkinPackage.h"

namespace SkinUI {

namespace {
struct ToolkitState {
  std::mutex lock;
  uintptr_t instance = 0;
  std::wstring resourcePath;
  std::unique_ptr<SkinPackage> package;
};
ToolkitState& State() {
  static ToolkitState s;
  return s;
}
}  // namespace

void CPaintManagerUI::SetInstance(uintptr_t instance) { State().instance = instance; }
uintptr_t CPaintManagerUI::GetInstance() { return State().instance; }

void CPaintManagerUI::SetResourcePath(const std::wstring& path) {
  std::lock_guard<std::mutex> l(State().lock);
  State().resourcePath = path;
}

std::wstring CPaintManagerUI::GetResourcePath() {
  std::lock_guard<std::mutex> l(State().lock);
  return State().resourcePath;
}

bool CPaintManagerUI::SetResourceZip(const std::string& bytes) {
  auto pkg = std::make_unique<SkinPackage>();
  bool ok = pkg->Open(bytes);
  std::lock_guard<std::mutex> l(State().lock);
  State().package = ok ? std::move(pkg) : nullptr;
  return ok;
}

const SkinPackage* CPaintManagerUI::GetResourceZip() {
  std::lock_guard<std::mutex> l(State().lock);
  return State().package.get();
}

void CPaintManagerUI::Term() {
  std::lock_guard<std::mutex> l(State().lock);
  State().package.reset();
  State().resourcePath.clear();
}

bool CPaintManagerUI::LoadLayout(const std::string& layoutFile) {
  const SkinPackage* pkg = GetResourceZip();
  if (!pkg) return false;
  CDialogBuilder builder(*pkg);
  windowInfo_ = WindowInfo();
  auto root = builder.Create(layoutFile, &windowInfo_);
  if (!root) return false;
  root_ = std::move(root);
  return true;
}

void CPaintManagerUI::AttachRoot(std::unique_ptr<CControlUI> root) { root_ = std::move(root); }

CControlUI* CPaintManagerUI::FindControl(const std::wstring& name) const {
  return root_ ? root_->FindByName(name) : nullptr;
}

}  // namespace SkinUI
