#include "toolkit/DialogBuilder.h"

#include <tinyxml2.h>

#include <mutex>

#include "log/Log.h"
#include "platform/Utf.h"
#include "toolkit/SkinPackage.h"

namespace SkinUI {

namespace {
const char* const kBuiltinClasses[] = {
    "Control",  "Container", "VerticalLayout", "HorizontalLayout", "TabLayout", "TileLayout",
    "ChildLayout", "Label",  "Text",           "Button",           "Option",    "CheckBox",
    "Edit",     "Combo",     "ListLabelElement", "Progress",       "RichEdit",  "ScrollBar",
};
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
  {
    std::lock_guard<std::mutex> lock(g_classLock);
    auto it = CustomClasses().find(cls);
    if (it != CustomClasses().end()) return it->second();
  }
  for (const char* known : kBuiltinClasses)
    if (cls == known) return std::make_unique<CControlUI>(cls);
  return nullptr;
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
    result = std::make_unique<CControlUI>("Window");
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
      if (window) window->resources.push_back({tag, Attributes(e)});
    } else if (auto child = BuildElement(e, window)) {
      parent->Add(std::move(child));
    }
  }
}

std::unique_ptr<CControlUI> CDialogBuilder::BuildElement(const tinyxml2::XMLElement* elem, WindowInfo* window) {
  std::string tag = elem->Name();
  std::unique_ptr<CControlUI> control = CreateControl(tag);
  if (!control) {
    Fault("unknown control " + tag);
    return nullptr;
  }
  for (const tinyxml2::XMLAttribute* a = elem->FirstAttribute(); a; a = a->Next())
    control->SetAttribute(a->Name(), platform::WideFromUtf8(a->Value()));
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
  std::string xml;
  if (!LoadFile(source, xml)) return;
  tinyxml2::XMLDocument doc;
  if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS || !doc.RootElement()) {
    Fault("not XML: " + std::string(source));
    return;
  }
  includeStack_.push_back(key);
  const tinyxml2::XMLElement* root = doc.RootElement();
  for (int i = 0; i < count; ++i) {
    // An included "Window" contributes its content; anything else is one control.
    if (std::string(root->Name()) == "Window") {
      BuildChildren(root, parent, window);
    } else if (auto child = BuildElement(root, window)) {
      parent->Add(std::move(child));
    }
  }
  includeStack_.pop_back();
}

}  // namespace SkinUI
