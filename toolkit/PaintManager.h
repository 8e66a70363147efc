// Process-wide toolkit state (the skin package, resource path, instance,
// accent colour) and the per-window part: the control tree, fonts, layout,
// painting, input routing, focus, control timers and notifications.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "toolkit/Canvas.h"
#include "toolkit/Control.h"
#include "toolkit/DialogBuilder.h"
#include "toolkit/Notify.h"

namespace SkinUI {

class SkinPackage;
class CWindowWnd;
class COptionUI;
class CComboUI;
class CEditUI;

class CPaintManagerUI {
 public:
  CPaintManagerUI() = default;
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

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
  // Colours whose red-green-blue value is 000001 stand for the accent.
  static void SetAccentColor(uint32_t rgb);
  static uint32_t GetAccentColor();
  static uint32_t ResolveColor(uint32_t argb);
  // Scale for new windows in percent; 0 = the display's own.
  static void SetDefaultScale(int percent);

  // Per window.
  void Init(CWindowWnd* window);
  uintptr_t GetPaintWindow() const;
  bool LoadLayout(const std::string& layoutFile);
  void AttachRoot(std::unique_ptr<CControlUI> root);
  CControlUI* GetRoot() const { return root_.get(); }
  CControlUI* FindControl(const std::wstring& name) const;
  const WindowInfo& GetWindowInfo() const { return windowInfo_; }
  Size GetInitSize() const;        // the layout's "size", logical pixels
  Rect GetCaptionRect() const;     // the layout's "caption", logical
  int GetRoundCorner() const;

  // Fonts of "font.xml" by id; an unknown id gives the default font.
  FontSpec GetFontSpec(int id) const;
  void AddFont(int id, const FontSpec& font);
  // Adds (or finds) a font and answers its id.
  int AddFont(const FontSpec& font);

  // Scale and size.
  int GetScale() const { return scale_; }
  void SetScale(int percent);
  int Scaled(int logical) const { return logical * scale_ / 100; }
  int Unscaled(int physical) const { return physical * 100 / scale_; }
  void SetClientSize(int width, int height);  // logical pixels
  Rect ClientRect() const { return Rect(0, 0, clientWidth_, clientHeight_); }

  // Layout and painting.
  void NeedUpdate();
  void Invalidate();
  void UpdateLayout();  // when needed
  // Paints the whole client area in logical coordinates.
  void Paint(ICanvas& canvas);

  // Input: the window's mouse, keyboard and timer messages. Answers true
  // when the message was used.
  bool HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam, intptr_t& result);
  CControlUI* FindControlAt(int x, int y) const;
  // Caption hit test: inside the caption strip and not over an interactive control.
  bool IsCaptionPoint(int x, int y) const;
  bool ShowFocusCues() const { return focusCues_; }
  void SetHandCursor(bool hand);

  // Focus.
  void SetFocus(CControlUI* control);
  CControlUI* GetFocus() const { return focus_; }
  void FocusNext(bool backwards);

  // Control timers: ids are per control, any number of them.
  bool SetTimer(CControlUI* control, unsigned id, unsigned ms);
  void KillTimer(CControlUI* control, unsigned id);
  bool HasTimer(CControlUI* control, unsigned id) const;
  unsigned TimerPeriod(CControlUI* control, unsigned id) const;
  // A window timer tick: true when it belonged to a control.
  bool HandleTimer(unsigned windowTimerId);

  // Notifications.
  void AddNotifier(INotifyUI* notifier);
  void RemoveNotifier(INotifyUI* notifier);
  void SendNotify(CControlUI* control, const std::wstring& type, uintptr_t wParam = 0, intptr_t lParam = 0);

  // Options of one group, in tree order.
  std::vector<COptionUI*> GetOptionGroup(const std::wstring& group) const;
  // The open combo list, painted and hit-tested above everything.
  void SetOverlay(CComboUI* combo);
  CComboUI* GetOverlay() const { return overlay_; }
  // Native text entry.
  void BeginEdit(CEditUI* edit);
  void EndEdit();
  void OnEditText(const std::wstring& text);

  // Called by controls.
  void ReleaseControl(CControlUI* control);
  void ControlHidden(CControlUI* control);
  void ReportMissingImage(const std::wstring& name);

 private:
  void ApplyResources();
  void ReleaseCapture();
  void MouseMove(int x, int y);
  void KeyDown(unsigned key);

  CWindowWnd* window_ = nullptr;
  std::unique_ptr<CControlUI> root_;
  WindowInfo windowInfo_;
  std::map<int, FontSpec> fonts_;
  FontSpec defaultFont_;
  int scale_ = 100;
  int clientWidth_ = 0, clientHeight_ = 0;
  bool needUpdate_ = true;
  CControlUI* focus_ = nullptr;
  CControlUI* hot_ = nullptr;
  CControlUI* captured_ = nullptr;
  CComboUI* overlay_ = nullptr;
  CEditUI* editing_ = nullptr;
  bool focusCues_ = false;
  bool shiftDown_ = false;
  struct TimerInfo {
    CControlUI* control;
    unsigned localId;
    unsigned period;
  };
  std::map<unsigned, TimerInfo> timers_;  // by window timer id
  unsigned nextTimerId_ = 0x7F000000u;    // above every id a window uses itself
  std::vector<INotifyUI*> notifiers_;
};

}  // namespace SkinUI
