#include "toolkit/Control.h"

namespace SkinUI {

void CControlUI::SetAttribute(const std::string& name, const std::wstring& value) {
  attrs_[name] = value;
  if (name == "name") SetName(value);
  else if (name == "text") SetText(value);
  else if (name == "visible") SetVisible(value != L"false");
}

std::wstring CControlUI::GetAttribute(const std::string& name) const {
  auto it = attrs_.find(name);
  return it == attrs_.end() ? std::wstring() : it->second;
}

CControlUI* CControlUI::Add(std::unique_ptr<CControlUI> child) {
  if (!child) return nullptr;
  child->parent_ = this;
  children_.push_back(std::move(child));
  return children_.back().get();
}

CControlUI* CControlUI::FindByName(const std::wstring& name) {
  if (name.empty()) return nullptr;
  if (name_ == name) return this;
  for (auto& c : children_)
    if (CControlUI* found = c->FindByName(name)) return found;
  return nullptr;
}

void CControlUI::ForEach(const std::function<void(CControlUI&)>& fn) {
  fn(*this);
  for (auto& c : children_) c->ForEach(fn);
}

}  // namespace SkinUI
