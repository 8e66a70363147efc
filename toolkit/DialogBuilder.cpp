#include "toolkit/DialogBuilder.h"

#include <tinyxml2.h>

#include <cstring>
#include <mutex>

#include "log/Log.h"
#include "platform/Utf.h"
#include "toolkit/ButtonUI.h"
#include "toolkit/ComboUI.h"
#include "toolkit/ContainerUI.h"
#include "toolkit/EditUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/OptionUI.h"
#include "toolkit/ProgressUI.h"
#include "toolkit/SkinPackage.h"

namespace SkinUI {

namespace {
// The toolkit's own control classes by element name.
std::unique_ptr<CControlUI> CreateBuiltin(const std::string& cls) {
  if (cls == "Control" || cls == "ScrollBar") return std::make_unique<CControlUI>(cls);
  if (cls == "Container" || cls == "ChildLayout" || cls == "TileLayout") return std::make_unique<CContainerUI>(cls);
  if (cls == "VerticalLayout") return std::make_unique<CVerticalLayoutUI>();
  if (cls == "HorizontalLayout") return std::make_unique<CHorizontalLayoutUI>();
  if (cls == "TabLayout") return std::make_unique<CTabLayoutUI>();
  if (cls == "Label" || cls == "Text" || cls == "ListLabelElement") return std::make_unique<CLabelUI>(cls);
  if (cls == "Button") return std::make_unique<CButtonUI>();
  if (cls == "Option" || cls == "CheckBox") return std::make_unique<COptionUI>(cls);
  if (cls == "Edit" || cls == "RichEdit") return std::make_unique<CEditUI>();
  if (cls == "Combo") return std::make_unique<CComboUI>();
  if (cls == "Progress") return std::make_unique<CProgressUI>();
  return nullptr;
}

// Every attribute some control understands; others are layout faults.
const char* const kKnownAttributes[] = {
    "name", "text", "visible", "enabled", "width", "height", "padding", "inset", "float", "pos", "bkcolor",
    "bordercolor", "textcolor", "bordersize", "borderround", "font", "bkimage", "align", "valign", "wordbreak",
    "multiline", "endellipsis", "childpadding", "selectedid", "textpadding", "showhtml", "disabledtextcolor",
    "linkcolor", "hotbkcolor", "pushedbkcolor", "disabledbkcolor", "hottextcolor", "pushedtextcolor",
    "normalimage", "hotimage", "pushedimage", "disabledimage", "focusedimage", "foreimage", "hotforeimage",
    "group", "selected", "selectedbkcolor", "selectedtextcolor", "selectedimage", "selectedhotimage", "cursel",
    "min", "max", "value", "hor", "forecolor", "moveforeimage", "colorround", "tooltip", "userdata", "readonly",
    "maxchar", "mouse", "keyboard", "cursor", "tabstop", "minwidth", "maxwidth", "minheight", "maxheight",
    "vscrollbar", "hscrollbar", "itemfont", "itemtextpadding", "itemalign", "dropboxsize", "password",
};

bool IsKnownAttribute(const char* name) {
  for (const char* k : kKnownAttributes)
    if (std::strcmp(k, name) == 0) return true;
  return false;
}

const char* const kResourceElements[] = {"Font", "Image", "Default", "Style"};
// Nesting deeper than this is a loop that the name check did not catch.
constexpr size_t kMaxIncludeDepth = 16;

std::mutex g_classLock;
std::map<std::string, ControlFactory>& CustomClasses() {
  static std::map<std::string, ControlFactory> classes;
  return classes;
}

std::map<std::string, std::wstring> Attributes(const tinyxml2::XMLElement* e) {
  std::map<std::string, std::wstring> attrs;
  for (const tinyxml2::XMLAttribute* a = e->FirstAttribute(); a; a = a->Next())
    attrs[a->Name()] = platform::WideFromUtf8(a->Value());
  return attrs;
}
}  // namespace

void RegisterControlClass(const std::string& cls, ControlFactory factory) {
  std::lock_guard<std::mutex> lock(g_classLock);
  CustomClasses()[cls] = std::move(factory);
}

std::unique_ptr<CControlUI> CreateControl(const std::string& cls) {
  ControlFactory factory;
  {
    // Custom classes answer to their element name with "C" and "UI"
    // around it ("ProgressEx" is "CProgressExUI"), or to the name itself.
    std::lock_guard<std::mutex> lock(g_classLock);
    auto it = CustomClasses().find("C" + cls + "UI");
    if (it == CustomClasses().end()) it = CustomClasses().find(cls);
    if (it != CustomClasses().end()) factory = it->second;
  }
  if (factory) return factory();
  return CreateBuiltin(cls);
}

bool IsResourceElement(const std::string& name) {
  for (const char* r : kResourceElements)
    if (name == r) return true;
  return false;
}

void CDialogBuilder::Fault(const std::string& text) {
  if (!reported_.insert(text).second) return;
  faults_.push_back(text);
  LOG(INFO) << " Skin layout: " << text;
}

bool CDialogBuilder::Spend(const tinyxml2::XMLElement* elem) {
  if (!BudgetSpent()) {
    ++elements_;
    for (const tinyxml2::XMLAttribute* a = elem->FirstAttribute(); a; a = a->Next())
      textBytes_ += std::strlen(a->Value());
    if (textBytes_ <= kMaxTextBytes) return true;
  }
  Fault("layout too large, cut at " + std::string(elem->Name()));
  return false;
}

bool CDialogBuilder::LoadFile(const std::string& file, std::string& xml) {
  if (!package_.Extract(file, xml)) {
    Fault("missing layout " + file);
    return false;
  }
  return true;
}

std::unique_ptr<CControlUI> CDialogBuilder::Create(const std::string& layoutFile, WindowInfo* window) {
  std::string xml;
  if (!LoadFile(layoutFile, xml)) return nullptr;
  return CreateFromText(xml, layoutFile, window);
}

std::unique_ptr<CControlUI> CDialogBuilder::CreateFromText(const std::string& xml, const std::string& name,
                                                           WindowInfo* window) {
  tinyxml2::XMLDocument doc;
  if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS || !doc.RootElement()) {
    Fault("not XML: " + name);
    return nullptr;
  }
  includeStack_.push_back(SkinPackage::NormalizeName(name));
  const tinyxml2::XMLElement* root = doc.RootElement();
  std::unique_ptr<CControlUI> result;
  if (std::string(root->Name()) == "Window") {
    if (window) window->attrs = Attributes(root);
    // The window itself is the root of its tree.
    result = std::make_unique<CContainerUI>("Window");
    BuildChildren(root, result.get(), window);
  } else {
    result = BuildElement(root, window);
  }
  includeStack_.pop_back();
  return result;
}

void CDialogBuilder::BuildChildren(const tinyxml2::XMLElement* parentElem, CControlUI* parent, WindowInfo* window) {
  for (const tinyxml2::XMLElement* e = parentElem->FirstChildElement(); e; e = e->NextSiblingElement()) {
    std::string tag = e->Name();
    if (tag == "Include") {
      Include(e, parent, window);
    } else if (IsResourceElement(tag)) {
      if (window && Spend(e)) window->resources.push_back({tag, Attributes(e)});
    } else if (auto child = BuildElement(e, window)) {
      parent->Add(std::move(child));
    }
  }
}

std::unique_ptr<CControlUI> CDialogBuilder::BuildElement(const tinyxml2::XMLElement* elem, WindowInfo* window) {
  std::string tag = elem->Name();
  if (!Spend(elem)) return nullptr;
  std::unique_ptr<CControlUI> control = CreateControl(tag);
  if (!control) {
    Fault("unknown control " + tag);
    return nullptr;
  }
  for (const tinyxml2::XMLAttribute* a = elem->FirstAttribute(); a; a = a->Next()) {
    if (!IsKnownAttribute(a->Name())) Fault("unknown attribute " + std::string(a->Name()) + " of " + tag);
    control->SetAttribute(a->Name(), platform::WideFromUtf8(a->Value()));
  }
  BuildChildren(elem, control.get(), window);
  return control;
}

void CDialogBuilder::Include(const tinyxml2::XMLElement* elem, CControlUI* parent, WindowInfo* window) {
  const char* source = elem->Attribute("source");
  if (!source || !*source) {
    Fault("Include without source");
    return;
  }
  std::string key = SkinPackage::NormalizeName(source);
  for (const std::string& open : includeStack_) {
    if (open == key) {
      Fault("Include loop at " + std::string(source));
      return;
    }
  }
  if (includeStack_.size() >= kMaxIncludeDepth) {
    Fault("Include too deep at " + std::string(source));
    return;
  }
  int count = elem->IntAttribute("count", 1);
  if (count < 1) count = 1;
  if (count > 64) count = 64;
  // Included windows add no control of their own: without this their
  // Includes would still be read and followed, count times over.
  if (!Spend(elem)) return;
  std::string xml;
  if (!LoadFile(source, xml)) return;
  textBytes_ += xml.size();
  tinyxml2::XMLDocument doc;
  if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS || !doc.RootElement()) {
    Fault("not XML: " + std::string(source));
    return;
  }
  includeStack_.push_back(key);
  const tinyxml2::XMLElement* root = doc.RootElement();
  for (int i = 0; i < count && !BudgetSpent(); ++i) {
    // An included "Window" contributes its content; anything else is one control.
    if (std::string(root->Name()) == "Window") {
      BuildChildren(root, parent, window);
    } else if (auto child = BuildElement(root, window)) {
      parent->Add(std::move(child));
    }
  }
  if (BudgetSpent()) Fault("layout too large, cut at Include " + std::string(source));
  includeStack_.pop_back();
}

}  // namespace SkinUI
