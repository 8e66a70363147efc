#include "toolkit/PaintManager.h"

#include <algorithm>
#include <mutex>

#include "log/Log.h"
#include "platform/Utf.h"
#include "toolkit/Backend.h"
#include "toolkit/ComboUI.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/EditUI.h"
#include "toolkit/Messages.h"
#include "toolkit/OptionUI.h"
#include "toolkit/SkinPackage.h"
#include "toolkit/WindowWnd.h"

namespace SkinUI {

namespace {
struct ToolkitState {
  std::mutex lock;
  uintptr_t instance = 0;
  std::wstring resourcePath;
  std::unique_ptr<SkinPackage> package;
  uint32_t accent = 0x1F6FEB;  // the skin's own blue unless the product names one
  int defaultScale = 0;
  std::set<std::wstring> missingImages;
};
ToolkitState& State() {
  static ToolkitState s;
  return s;
}

int LowWord(intptr_t l) { return static_cast<short>(static_cast<uintptr_t>(l) & 0xFFFF); }
int HighWord(intptr_t l) { return static_cast<short>((static_cast<uintptr_t>(l) >> 16) & 0xFFFF); }

bool IsInside(const CControlUI* c, const CControlUI* ancestor) {
  for (; c; c = c->GetParent())
    if (c == ancestor) return true;
  return false;
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
  backend::FreeImages();
  std::lock_guard<std::mutex> l(State().lock);
  State().package.reset();
  State().resourcePath.clear();
  State().missingImages.clear();
}

void CPaintManagerUI::SetAccentColor(uint32_t rgb) { State().accent = rgb & 0xFFFFFF; }
uint32_t CPaintManagerUI::GetAccentColor() { return State().accent; }

uint32_t CPaintManagerUI::ResolveColor(uint32_t argb) {
  if ((argb & 0xFFFFFF) != 0x000001) return argb;
  return (argb & 0xFF000000u) | State().accent;
}

void CPaintManagerUI::SetDefaultScale(int percent) { State().defaultScale = percent; }

CPaintManagerUI::~CPaintManagerUI() {
  // Controls that go with the tree must not call back into a half-gone manager.
  for (auto& t : timers_) backend::KillTimer(GetPaintWindow(), t.first);
  timers_.clear();
  if (root_) root_->SetManager(nullptr);
  root_.reset();
}

void CPaintManagerUI::Init(CWindowWnd* window) {
  window_ = window;
  int s = State().defaultScale ? State().defaultScale : backend::SystemScalePercent();
  scale_ = s >= 50 ? s : 100;
}

uintptr_t CPaintManagerUI::GetPaintWindow() const { return window_ ? window_->GetHWND() : 0; }

bool CPaintManagerUI::LoadLayout(const std::string& layoutFile) {
  const SkinPackage* pkg = GetResourceZip();
  windowInfo_ = WindowInfo();
  std::unique_ptr<CControlUI> root;
  if (pkg) {
    CDialogBuilder builder(*pkg);
    root = builder.Create(layoutFile, &windowInfo_);
  } else {
    LOG(INFO) << " Skin layout: no skin package for " << layoutFile;
  }
  bool ok = root != nullptr;
  // The window opens with what could be built, even with nothing.
  if (!root) root = std::make_unique<CContainerUI>("Window");
  AttachRoot(std::move(root));
  ApplyResources();
  return ok;
}

void CPaintManagerUI::AttachRoot(std::unique_ptr<CControlUI> root) {
  focus_ = hot_ = captured_ = nullptr;
  overlay_ = nullptr;
  root_ = std::move(root);
  if (root_) root_->SetManager(this);
  NeedUpdate();
}

void CPaintManagerUI::ApplyResources() {
  for (const WindowInfo::Resource& r : windowInfo_.resources) {
    if (r.kind != "Font") continue;
    auto get = [&](const char* k) {
      auto it = r.attrs.find(k);
      return it == r.attrs.end() ? std::wstring() : it->second;
    };
    FontSpec f;
    f.face = get("name").empty() ? L"Tahoma" : get("name");
    f.size = ParseInt(get("size"), 12);
    f.bold = ParseBool(get("bold"));
    f.italic = ParseBool(get("italic"));
    f.underline = ParseBool(get("underline"));
    int id = ParseInt(get("id"), -1);
    if (id >= 0) fonts_[id] = f;
    if (ParseBool(get("default"))) defaultFont_ = f;
  }
}

CControlUI* CPaintManagerUI::FindControl(const std::wstring& name) const {
  return root_ ? root_->FindByName(name) : nullptr;
}

Size CPaintManagerUI::GetInitSize() const {
  Size s;
  auto it = windowInfo_.attrs.find("size");
  if (it != windowInfo_.attrs.end()) ParseSize(it->second, s);
  return s;
}

Rect CPaintManagerUI::GetCaptionRect() const {
  Rect r;
  auto it = windowInfo_.attrs.find("caption");
  if (it != windowInfo_.attrs.end()) ParseRect(it->second, r);
  // "0,0,0,60": left and right are margins, bottom is the strip's height.
  return Rect(r.left, r.top, clientWidth_ - r.right, r.bottom);
}

int CPaintManagerUI::GetRoundCorner() const {
  auto it = windowInfo_.attrs.find("roundcorner");
  return it == windowInfo_.attrs.end() ? 0 : ParseInt(it->second);
}

FontSpec CPaintManagerUI::GetFontSpec(int id) const {
  auto it = fonts_.find(id);
  return it == fonts_.end() ? defaultFont_ : it->second;
}

void CPaintManagerUI::AddFont(int id, const FontSpec& font) { fonts_[id] = font; }

int CPaintManagerUI::AddFont(const FontSpec& font) {
  for (const auto& f : fonts_)
    if (f.second.face == font.face && f.second.size == font.size && f.second.bold == font.bold &&
        f.second.italic == font.italic && f.second.underline == font.underline)
      return f.first;
  int id = fonts_.empty() ? 1000 : std::max(1000, fonts_.rbegin()->first + 1);
  fonts_[id] = font;
  return id;
}

void CPaintManagerUI::SetScale(int percent) {
  scale_ = percent >= 50 ? percent : 100;
  NeedUpdate();
}

void CPaintManagerUI::SetClientSize(int width, int height) {
  if (width == clientWidth_ && height == clientHeight_) return;
  clientWidth_ = width;
  clientHeight_ = height;
  NeedUpdate();
}

void CPaintManagerUI::NeedUpdate() {
  needUpdate_ = true;
  Invalidate();
}

void CPaintManagerUI::Invalidate() {
  if (uintptr_t h = GetPaintWindow()) backend::Invalidate(h);
}

void CPaintManagerUI::UpdateLayout() {
  if (!needUpdate_ || !root_) return;
  needUpdate_ = false;
  // The tree never shrinks below the layout's own size: a window made
  // shorter shows the top of its pages and clips the rest.
  Size init = GetInitSize();
  Rect rc(0, 0, std::max(clientWidth_, init.cx), std::max(clientHeight_, init.cy));
  root_->SetPos(rc);
}

void CPaintManagerUI::Paint(ICanvas& canvas) {
  UpdateLayout();
  if (!root_) return;
  Rect client = ClientRect();
  canvas.PushClip(client);
  root_->DoPaint(canvas, client);
  if (overlay_) overlay_->PaintList(canvas);
  canvas.PopClip();
}

CControlUI* CPaintManagerUI::FindControlAt(int x, int y) const {
  if (!root_ || !ClientRect().Contains(x, y)) return nullptr;
  return root_->FindControlAt(x, y);
}

bool CPaintManagerUI::IsCaptionPoint(int x, int y) const {
  if (!GetCaptionRect().Contains(x, y)) return false;
  CControlUI* c = FindControlAt(x, y);
  return !(c && c->IsInteractive());
}

void CPaintManagerUI::SetHandCursor(bool hand) { backend::SetHandCursor(hand); }

void CPaintManagerUI::SetFocus(CControlUI* control) {
  if (control == focus_) return;
  if (editing_ && control != editing_) EndEdit();
  if (focus_) {
    UIEvent e{EventType::KillFocus};
    CControlUI* old = focus_;
    focus_ = nullptr;
    old->SetFocusFlag(false);
    old->DoEvent(e);
    old->Invalidate();
  }
  focus_ = control;
  if (focus_) {
    focus_->SetFocusFlag(true);
    UIEvent e{EventType::SetFocus};
    focus_->DoEvent(e);
    focus_->Invalidate();
  }
}

void CPaintManagerUI::FocusNext(bool backwards) {
  if (!root_) return;
  UpdateLayout();
  std::vector<CControlUI*> order;
  root_->ForEach([&](CControlUI& c) {
    if (c.IsFocusable() && c.IsShown() && !c.GetPos().Empty() && ClientRect().Intersect(c.GetPos()).Width() > 0)
      order.push_back(&c);
  });
  if (order.empty()) return;
  auto it = std::find(order.begin(), order.end(), focus_);
  size_t next;
  if (it == order.end()) next = backwards ? order.size() - 1 : 0;
  else {
    size_t i = static_cast<size_t>(it - order.begin());
    next = backwards ? (i + order.size() - 1) % order.size() : (i + 1) % order.size();
  }
  SetFocus(order[next]);
}

bool CPaintManagerUI::SetTimer(CControlUI* control, unsigned id, unsigned ms) {
  for (auto& t : timers_) {
    if (t.second.control == control && t.second.localId == id) {
      t.second.period = ms;
      return backend::SetTimer(GetPaintWindow(), t.first, ms);
    }
  }
  unsigned wid = nextTimerId_++;
  timers_[wid] = {control, id, ms};
  return backend::SetTimer(GetPaintWindow(), wid, ms);
}

void CPaintManagerUI::KillTimer(CControlUI* control, unsigned id) {
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.control == control && it->second.localId == id) {
      backend::KillTimer(GetPaintWindow(), it->first);
      timers_.erase(it);
      return;
    }
  }
}

bool CPaintManagerUI::HasTimer(CControlUI* control, unsigned id) const { return TimerPeriod(control, id) != 0; }

unsigned CPaintManagerUI::TimerPeriod(CControlUI* control, unsigned id) const {
  for (const auto& t : timers_)
    if (t.second.control == control && t.second.localId == id) return t.second.period;
  return 0;
}

bool CPaintManagerUI::HandleTimer(unsigned windowTimerId) {
  auto it = timers_.find(windowTimerId);
  if (it == timers_.end()) return false;
  UIEvent e{EventType::Timer};
  e.timerId = it->second.localId;
  it->second.control->DoEvent(e);
  return true;
}

void CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
  if (std::find(notifiers_.begin(), notifiers_.end(), notifier) == notifiers_.end()) notifiers_.push_back(notifier);
}

void CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
  notifiers_.erase(std::remove(notifiers_.begin(), notifiers_.end(), notifier), notifiers_.end());
}

void CPaintManagerUI::SendNotify(CControlUI* control, const std::wstring& type, uintptr_t wParam, intptr_t lParam) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = control;
  msg.wParam = wParam;
  msg.lParam = lParam;
  std::vector<INotifyUI*> copy = notifiers_;
  for (INotifyUI* n : copy) n->Notify(msg);
}

std::vector<COptionUI*> CPaintManagerUI::GetOptionGroup(const std::wstring& group) const {
  std::vector<COptionUI*> out;
  if (!root_ || group.empty()) return out;
  root_->ForEach([&](CControlUI& c) {
    if (auto* o = dynamic_cast<COptionUI*>(&c))
      if (o->GetGroup() == group) out.push_back(o);
  });
  return out;
}

void CPaintManagerUI::SetOverlay(CComboUI* combo) {
  if (overlay_ && overlay_ != combo) {
    CComboUI* old = overlay_;
    overlay_ = nullptr;
    old->Close();
  }
  overlay_ = combo;
  Invalidate();
}

void CPaintManagerUI::BeginEdit(CEditUI* edit) {
  if (editing_ == edit) return;
  EndEdit();
  SetFocus(edit);
  editing_ = edit;
  edit->SetEditing(true);
  Rect r = edit->TextRect();
  Rect phys(Scaled(r.left), Scaled(r.top), Scaled(r.right), Scaled(r.bottom));
  FontSpec f = GetFontSpec(edit->GetFont());
  f.size = Scaled(f.size);
  backend::BeginTextEdit(GetPaintWindow(), edit, phys, f);
}

void CPaintManagerUI::EndEdit() {
  if (!editing_) return;
  CEditUI* edit = editing_;
  editing_ = nullptr;
  std::wstring text;
  if (backend::EndTextEdit(GetPaintWindow(), text)) edit->SetText(text);
  edit->SetEditing(false);
}

void CPaintManagerUI::OnEditText(const std::wstring& text) {
  if (!editing_) return;
  editing_->SetText(text);
  SendNotify(editing_, L"textchanged");
}

void CPaintManagerUI::ReleaseControl(CControlUI* control) {
  if (focus_ == control) focus_ = nullptr;
  if (hot_ == control) hot_ = nullptr;
  if (captured_ == control) captured_ = nullptr;
  if (overlay_ == control) overlay_ = nullptr;
  if (editing_ == control) {
    std::wstring ignored;
    backend::EndTextEdit(GetPaintWindow(), ignored);
    editing_ = nullptr;
  }
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->second.control == control) {
      backend::KillTimer(GetPaintWindow(), it->first);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

void CPaintManagerUI::ControlHidden(CControlUI* control) {
  if (focus_ && IsInside(focus_, control)) SetFocus(nullptr);
  if (hot_ && IsInside(hot_, control)) hot_ = nullptr;
  if (captured_ && IsInside(captured_, control)) ReleaseCapture();
  if (overlay_ && IsInside(overlay_, control)) overlay_->Close();
  if (editing_ && IsInside(editing_, control)) EndEdit();
}

void CPaintManagerUI::ReportMissingImage(const std::wstring& name) {
  {
    std::lock_guard<std::mutex> l(State().lock);
    if (!State().missingImages.insert(name).second) return;
  }
  LOG(INFO) << " Skin image missing: " << platform::Utf8FromWide(name);
}

void CPaintManagerUI::ReleaseCapture() {
  captured_ = nullptr;
  backend::SetCapture(GetPaintWindow(), false);
}

void CPaintManagerUI::MouseMove(int x, int y) {
  UIEvent e{EventType::MouseMove};
  e.x = x;
  e.y = y;
  if (overlay_ && overlay_->ListEvent(e)) return;
  CControlUI* target = captured_ ? captured_ : FindControlAt(x, y);
  if (captured_) {
    // A pushed button looks pushed only while the pointer is over it.
    CControlUI* under = FindControlAt(x, y);
    bool over = under == captured_;
    if (over != (hot_ == captured_)) {
      UIEvent t{over ? EventType::MouseEnter : EventType::MouseLeave};
      captured_->DoEvent(t);
      hot_ = over ? captured_ : nullptr;
    }
    return;
  }
  if (target != hot_) {
    if (hot_) {
      UIEvent leave{EventType::MouseLeave};
      hot_->DoEvent(leave);
    }
    hot_ = target;
    if (hot_ && hot_->IsEnabled()) {
      UIEvent enter{EventType::MouseEnter};
      hot_->DoEvent(enter);
    }
  }
  SetHandCursor(false);
  if (hot_) hot_->DoEvent(e);
}

void CPaintManagerUI::KeyDown(unsigned key) {
  UIEvent e{EventType::KeyDown};
  e.key = key;
  if (key == kVkShift) {
    shiftDown_ = true;
    return;
  }
  if (overlay_ && overlay_->ListEvent(e)) return;
  switch (key) {
    case kVkTab:
      focusCues_ = true;
      FocusNext(shiftDown_);
      Invalidate();
      return;
    case kVkEscape: {
      if (editing_) {
        EndEdit();
        return;
      }
      // Esc is the close button of the window.
      CControlUI* close = FindControl(L"closebtn");
      if (close && close->IsShown() && close->IsEnabled()) close->Activate();
      return;
    }
    case kVkReturn:
    case kVkSpace:
      if (editing_) {
        if (key == kVkReturn) EndEdit();
        return;
      }
      if (focus_ && focus_->IsShown()) {
        focusCues_ = true;
        focus_->Activate();
      }
      return;
    default:
      if (focus_) focus_->DoEvent(e);
  }
}

bool CPaintManagerUI::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam, intptr_t& result) {
  result = 0;
  // Input is hit-tested against the current layout, painted or not.
  if (msg != kWmSize && msg != kWmTimer) UpdateLayout();
  switch (msg) {
    case kWmSize:
      SetClientSize(Unscaled(LowWord(lParam) & 0xFFFF), Unscaled(HighWord(lParam) & 0xFFFF));
      return false;
    case kWmMouseMove:
      MouseMove(Unscaled(LowWord(lParam)), Unscaled(HighWord(lParam)));
      return true;
    case kWmLButtonDown:
    case kWmLButtonDblClk: {
      int x = Unscaled(LowWord(lParam)), y = Unscaled(HighWord(lParam));
      UIEvent e{EventType::ButtonDown};
      e.x = x;
      e.y = y;
      if (overlay_) {
        if (overlay_->ListEvent(e)) return true;
        CComboUI* open = overlay_;
        open->Close();
        if (open->GetPos().Contains(x, y)) return true;  // a click on the box only closes it
      }
      CControlUI* target = FindControlAt(x, y);
      if (editing_ && target != editing_) EndEdit();
      if (!target) return true;
      if (target->IsFocusable()) SetFocus(target);
      if (target->IsEnabled()) {
        captured_ = target;
        backend::SetCapture(GetPaintWindow(), true);
        target->DoEvent(e);
      }
      return true;
    }
    case kWmLButtonUp: {
      int x = Unscaled(LowWord(lParam)), y = Unscaled(HighWord(lParam));
      UIEvent e{EventType::ButtonUp};
      e.x = x;
      e.y = y;
      if (overlay_ && overlay_->ListEvent(e)) return true;
      CControlUI* target = captured_ ? captured_ : FindControlAt(x, y);
      ReleaseCapture();
      if (target) target->DoEvent(e);
      return true;
    }
    case kWmMouseWheel: {
      UIEvent e{EventType::ScrollWheel};
      e.wheel = HighWord(static_cast<intptr_t>(wParam)) > 0 ? 1 : -1;
      if (overlay_ && overlay_->ListEvent(e)) return true;
      if (hot_) hot_->DoEvent(e);
      return true;
    }
    case kWmMouseLeave:
      if (hot_ && !captured_) {
        UIEvent leave{EventType::MouseLeave};
        hot_->DoEvent(leave);
        hot_ = nullptr;
      }
      return true;
    case kWmKeyDown:
      KeyDown(static_cast<unsigned>(wParam));
      return true;
    case kWmKeyDown + 1:  // WM_KEYUP
      if (wParam == kVkShift) shiftDown_ = false;
      return true;
    case kWmTimer:
      return HandleTimer(static_cast<unsigned>(wParam));
    default:
      return false;
  }
}

}  // namespace SkinUI
