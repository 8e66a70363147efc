// The control tree built from a layout. Every control may hold children;
// the layout classes (containers) place them, the others paint themselves.
// Positions are logical pixels; the paint manager scales them for the display.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Canvas.h"
#include "toolkit/Geometry.h"

namespace SkinUI {

class CPaintManagerUI;

enum class EventType { MouseEnter, MouseLeave, ButtonDown, ButtonUp, MouseMove, Timer, KeyDown, SetFocus, KillFocus,
                       ScrollWheel };

struct UIEvent {
  EventType type;
  int x = 0, y = 0;       // logical client coordinates
  unsigned key = 0;       // virtual key for KeyDown
  unsigned timerId = 0;   // for Timer
  int wheel = 0;          // +1 up, -1 down
};

class CControlUI {
 public:
  explicit CControlUI(std::string cls) : class_(std::move(cls)) {}
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  const std::string& GetClass() const { return class_; }
  // The interface query: this control for its own interface name, else nullptr.
  virtual CControlUI* GetInterface(const std::string& name);
  const std::wstring& GetName() const { return name_; }
  void SetName(const std::wstring& n) { name_ = n; }
  virtual std::wstring GetText() const { return text_; }
  virtual void SetText(const std::wstring& t);
  bool IsVisible() const { return visible_; }
  virtual void SetVisible(bool v);
  bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool e);
  // Visible itself and every ancestor visible.
  bool IsShown() const;

  // Stores the attribute and interprets those the class knows.
  virtual void SetAttribute(const std::string& name, const std::wstring& value);
  std::wstring GetAttribute(const std::string& name) const;
  bool HasAttribute(const std::string& name) const { return attrs_.count(name) != 0; }

  CControlUI* GetParent() const { return parent_; }
  size_t GetCount() const { return children_.size(); }
  CControlUI* GetItemAt(size_t i) const { return i < children_.size() ? children_[i].get() : nullptr; }
  int GetItemIndex(const CControlUI* child) const;
  CControlUI* Add(std::unique_ptr<CControlUI> child);
  CControlUI* AddAt(std::unique_ptr<CControlUI> child, size_t index);
  bool RemoveAt(size_t index);
  void RemoveAll();

  // Depth first, this control included; the first control with the name.
  CControlUI* FindByName(const std::wstring& name);
  // Visits this control and every descendant, depth first, in layout order.
  void ForEach(const std::function<void(CControlUI&)>& fn);

  // Manager and geometry.
  void SetManager(CPaintManagerUI* pm);  // also for every descendant
  CPaintManagerUI* GetManager() const { return manager_; }
  const Rect& GetPos() const { return pos_; }
  virtual void SetPos(const Rect& rc);
  int GetFixedWidth() const { return fixedWidth_; }
  int GetFixedHeight() const { return fixedHeight_; }
  void SetFixedWidth(int w);
  void SetFixedHeight(int h);
  const Rect& GetPadding() const { return padding_; }
  void SetPadding(const Rect& r);
  const Rect& GetInset() const { return inset_; }
  void SetInset(const Rect& r);
  bool IsFloat() const { return float_; }
  const Rect& GetFloatPos() const { return floatPos_; }
  // Makes the control float at rc, relative to its parent's inner rectangle.
  void SetFloatPos(const Rect& rc) {
    float_ = true;
    floatPos_ = rc;
    NeedUpdate();
  }
  void Invalidate();
  void NeedUpdate();  // geometry changed: lay out again

  // Look.
  uint32_t GetBkColor() const { return bkColor_; }
  void SetBkColor(uint32_t c) { bkColor_ = c; Invalidate(); }
  uint32_t GetBorderColor() const { return borderColor_; }
  uint32_t GetTextColor() const { return textColor_; }
  int GetBorderRound() const { return borderRound_; }
  int GetFont() const { return font_; }
  void SetFont(int id) { font_ = id; Invalidate(); }
  std::wstring GetBkImage() const { return bkImage_; }
  void SetBkImage(const std::wstring& image);
  unsigned GetTextStyle() const { return textStyle_; }

  // Input. Controls that take focus or clicks answer true.
  virtual bool IsFocusable() const { return false; }
  virtual bool IsInteractive() const { return false; }
  bool IsFocused() const { return focused_; }
  // Clicks the control as the user would; false when it cannot be clicked.
  virtual bool Activate();
  virtual void DoEvent(UIEvent& event);
  // The deepest visible control under the point (logical client coordinates).
  virtual CControlUI* FindControlAt(int x, int y);

  // Painting, in this order: background colour, background image, status
  // image, text, border; then the children.
  virtual void DoPaint(ICanvas& canvas, const Rect& dirty);
  virtual void PaintBkColor(ICanvas& canvas);
  virtual void PaintBkImage(ICanvas& canvas);
  virtual void PaintStatusImage(ICanvas& canvas) {}
  virtual void PaintText(ICanvas& canvas) {}
  virtual void PaintBorder(ICanvas& canvas);
  // Image and colour helpers for subclasses.
  bool DrawImage(ICanvas& canvas, const std::wstring& spec);
  bool DrawImage(ICanvas& canvas, const std::wstring& spec, const Rect& rc);
  uint32_t Resolve(uint32_t argb) const;  // accent colour applied

 protected:
  friend class CPaintManagerUI;
  void SetFocusFlag(bool f) { focused_ = f; }
  bool hot_ = false;
  bool pushed_ = false;
  Rect pos_;
  std::vector<std::unique_ptr<CControlUI>> children_;

 private:
  std::string class_;
  std::wstring name_;
  std::wstring text_;
  bool visible_ = true;
  bool enabled_ = true;
  bool focused_ = false;
  std::map<std::string, std::wstring> attrs_;
  CControlUI* parent_ = nullptr;
  CPaintManagerUI* manager_ = nullptr;
  int fixedWidth_ = 0, fixedHeight_ = 0;
  Rect padding_, inset_, floatPos_;
  bool float_ = false;
  uint32_t bkColor_ = 0, borderColor_ = 0, textColor_ = 0xFF333333;
  int borderSize_ = 0, borderRound_ = 0, font_ = -1;
  std::wstring bkImage_;
  unsigned textStyle_ = kTextLeft | kTextVCenter | kTextSingleLine;
};

// Creates a control of a registered class; nullptr when the class is unknown.
using ControlFactory = std::function<std::unique_ptr<CControlUI>()>;

}  // namespace SkinUI
