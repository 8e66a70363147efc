// The control tree built from a layout. Every control may hold children;
// containers are the kinds whose children are laid out.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace SkinUI {

class CControlUI {
 public:
  explicit CControlUI(std::string cls) : class_(std::move(cls)) {}
  virtual ~CControlUI() = default;
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  const std::string& GetClass() const { return class_; }
  const std::wstring& GetName() const { return name_; }
  void SetName(const std::wstring& n) { name_ = n; }
  virtual std::wstring GetText() const { return text_; }
  virtual void SetText(const std::wstring& t) { text_ = t; }
  bool IsVisible() const { return visible_; }
  virtual void SetVisible(bool v) { visible_ = v; }

  // Stores the attribute and interprets the common ones (name, text, visible).
  virtual void SetAttribute(const std::string& name, const std::wstring& value);
  std::wstring GetAttribute(const std::string& name) const;
  bool HasAttribute(const std::string& name) const { return attrs_.count(name) != 0; }

  CControlUI* GetParent() const { return parent_; }
  size_t GetCount() const { return children_.size(); }
  CControlUI* GetItemAt(size_t i) const { return i < children_.size() ? children_[i].get() : nullptr; }
  CControlUI* Add(std::unique_ptr<CControlUI> child);

  // Depth first, this control included; the first control with the name.
  CControlUI* FindByName(const std::wstring& name);
  // Visits this control and every descendant, depth first, in layout order.
  void ForEach(const std::function<void(CControlUI&)>& fn);

 private:
  std::string class_;
  std::wstring name_;
  std::wstring text_;
  bool visible_ = true;
  std::map<std::string, std::wstring> attrs_;
  CControlUI* parent_ = nullptr;
  std::vector<std::unique_ptr<CControlUI>> children_;
};

// Creates a control of a registered class; nullptr when the class is unknown.
using ControlFactory = std::function<std::unique_ptr<CControlUI>()>;

}  // namespace SkinUI
