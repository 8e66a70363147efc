#include "toolkit/Control.h"

#include "toolkit/PaintManager.h"

namespace SkinUI {

CControlUI::~CControlUI() {
  children_.clear();
  if (manager_) manager_->ReleaseControl(this);
}

CControlUI* CControlUI::GetInterface(const std::string& name) { return name == class_ ? this : nullptr; }

void CControlUI::SetText(const std::wstring& t) {
  if (text_ == t) return;
  text_ = t;
  Invalidate();
}

void CControlUI::SetVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  if (!v && manager_) manager_->ControlHidden(this);
  NeedUpdate();
}

void CControlUI::SetEnabled(bool e) {
  if (enabled_ == e) return;
  enabled_ = e;
  if (!e) hot_ = pushed_ = false;
  Invalidate();
}

bool CControlUI::IsShown() const {
  for (const CControlUI* c = this; c; c = c->parent_)
    if (!c->visible_) return false;
  return true;
}

void CControlUI::SetAttribute(const std::string& name, const std::wstring& value) {
  attrs_[name] = value;
  if (name == "name") SetName(value);
  else if (name == "text") SetText(value);
  else if (name == "visible") SetVisible(value != L"false");
  else if (name == "enabled") SetEnabled(value != L"false");
  else if (name == "width") SetFixedWidth(ParseInt(value));
  else if (name == "height") SetFixedHeight(ParseInt(value));
  else if (name == "padding") { Rect r; if (ParseRect(value, r)) SetPadding(r); }
  else if (name == "inset") { Rect r; if (ParseRect(value, r)) SetInset(r); }
  else if (name == "float") float_ = ParseBool(value);
  else if (name == "pos") {
    Rect r;
    if (ParseRect(value, r)) {
      floatPos_ = r;
      if (fixedWidth_ == 0 && r.right > r.left) fixedWidth_ = r.right - r.left;
      if (fixedHeight_ == 0 && r.bottom > r.top) fixedHeight_ = r.bottom - r.top;
    }
  }
  else if (name == "bkcolor") ParseColor(value, bkColor_);
  else if (name == "bordercolor") ParseColor(value, borderColor_);
  else if (name == "textcolor") ParseColor(value, textColor_);
  else if (name == "bordersize") borderSize_ = ParseInt(value);
  else if (name == "borderround") borderRound_ = ParseInt(value);
  else if (name == "font") font_ = ParseInt(value, -1);
  else if (name == "bkimage") bkImage_ = value;
  else if (name == "align") {
    textStyle_ &= ~(kTextCenter | kTextRight);
    if (value == L"center") textStyle_ |= kTextCenter;
    else if (value == L"right") textStyle_ |= kTextRight;
  } else if (name == "valign") {
    textStyle_ &= ~(kTextVCenter | kTextBottom);
    if (value == L"vcenter" || value == L"center") textStyle_ |= kTextVCenter;
    else if (value == L"bottom") textStyle_ |= kTextBottom;
  } else if (name == "wordbreak" || name == "multiline") {
    if (ParseBool(value)) textStyle_ = (textStyle_ & ~kTextSingleLine) | kTextWordBreak;
    else textStyle_ = (textStyle_ & ~kTextWordBreak) | kTextSingleLine;
  } else if (name == "endellipsis") {
    if (ParseBool(value)) textStyle_ |= kTextEndEllipsis;
    else textStyle_ &= ~kTextEndEllipsis;
  }
}

std::wstring CControlUI::GetAttribute(const std::string& name) const {
  auto it = attrs_.find(name);
  return it == attrs_.end() ? std::wstring() : it->second;
}

int CControlUI::GetItemIndex(const CControlUI* child) const {
  for (size_t i = 0; i < children_.size(); ++i)
    if (children_[i].get() == child) return static_cast<int>(i);
  return -1;
}

CControlUI* CControlUI::Add(std::unique_ptr<CControlUI> child) { return AddAt(std::move(child), children_.size()); }

CControlUI* CControlUI::AddAt(std::unique_ptr<CControlUI> child, size_t index) {
  if (!child) return nullptr;
  child->parent_ = this;
  if (manager_) child->SetManager(manager_);
  if (index > children_.size()) index = children_.size();
  children_.insert(children_.begin() + static_cast<long>(index), std::move(child));
  NeedUpdate();
  return children_[index].get();
}

bool CControlUI::RemoveAt(size_t index) {
  if (index >= children_.size()) return false;
  children_.erase(children_.begin() + static_cast<long>(index));
  NeedUpdate();
  return true;
}

void CControlUI::RemoveAll() {
  children_.clear();
  NeedUpdate();
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

void CControlUI::SetManager(CPaintManagerUI* pm) {
  manager_ = pm;
  for (auto& c : children_) c->SetManager(pm);
}

void CControlUI::SetPos(const Rect& rc) {
  if (!(pos_ == rc)) Invalidate();
  pos_ = rc;
}

void CControlUI::SetFixedWidth(int w) {
  fixedWidth_ = w < 0 ? 0 : w;
  NeedUpdate();
}

void CControlUI::SetFixedHeight(int h) {
  fixedHeight_ = h < 0 ? 0 : h;
  NeedUpdate();
}

void CControlUI::SetPadding(const Rect& r) {
  padding_ = r;
  NeedUpdate();
}

void CControlUI::SetInset(const Rect& r) {
  inset_ = r;
  NeedUpdate();
}

void CControlUI::SetBkImage(const std::wstring& image) {
  if (bkImage_ == image) return;
  bkImage_ = image;
  Invalidate();
}

void CControlUI::Invalidate() {
  if (manager_) manager_->Invalidate();
}

void CControlUI::NeedUpdate() {
  if (manager_) manager_->NeedUpdate();
}

bool CControlUI::Activate() { return IsShown() && enabled_; }

void CControlUI::DoEvent(UIEvent& event) {
  switch (event.type) {
    case EventType::MouseEnter:
      hot_ = true;
      Invalidate();
      break;
    case EventType::MouseLeave:
      hot_ = false;
      Invalidate();
      break;
    case EventType::Timer:
      if (manager_) manager_->SendNotify(this, L"timer", event.timerId);
      break;
    default:
      // Plain controls hand wheel turns to the parent (a scrolling list).
      if (event.type == EventType::ScrollWheel && parent_) parent_->DoEvent(event);
      break;
  }
}

CControlUI* CControlUI::FindControlAt(int x, int y) {
  if (!visible_ || !pos_.Contains(x, y)) return nullptr;
  // Later children paint over earlier ones, so they are asked first.
  for (size_t i = children_.size(); i-- > 0;)
    if (CControlUI* hit = children_[i]->FindControlAt(x, y)) return hit;
  return this;
}

uint32_t CControlUI::Resolve(uint32_t argb) const { return CPaintManagerUI::ResolveColor(argb); }

void CControlUI::DoPaint(ICanvas& canvas, const Rect& dirty) {
  if (!visible_ || pos_.Empty() || pos_.Intersect(dirty).Empty()) return;
  PaintBkColor(canvas);
  PaintBkImage(canvas);
  PaintStatusImage(canvas);
  PaintText(canvas);
  PaintBorder(canvas);
  if (children_.empty()) return;
  canvas.PushClip(pos_);
  for (auto& c : children_) c->DoPaint(canvas, dirty);
  canvas.PopClip();
}

void CControlUI::PaintBkColor(ICanvas& canvas) {
  if (bkColor_ >> 24) canvas.FillRect(pos_, Resolve(bkColor_), borderRound_);
}

void CControlUI::PaintBkImage(ICanvas& canvas) {
  if (!bkImage_.empty()) DrawImage(canvas, bkImage_);
}

void CControlUI::PaintBorder(ICanvas& canvas) {
  if (borderSize_ > 0 && (borderColor_ >> 24)) canvas.DrawBorder(pos_, Resolve(borderColor_), borderSize_, borderRound_);
}

bool CControlUI::DrawImage(ICanvas& canvas, const std::wstring& spec) { return DrawImage(canvas, spec, pos_); }

bool CControlUI::DrawImage(ICanvas& canvas, const std::wstring& spec, const Rect& rc) {
  ImageSpec image = ParseImageSpec(spec);
  if (image.Empty()) return false;
  bool ok = canvas.DrawImage(image, rc);
  if (!ok && manager_) manager_->ReportMissingImage(image.file);
  return ok;
}

}  // namespace SkinUI
