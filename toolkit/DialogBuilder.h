// Builds a control tree from an XML layout of the skin package, following
// "Include" elements. A layout that cannot be read builds what it can; each
// fault is reported once through the builder's log.
#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "toolkit/Control.h"

namespace tinyxml2 {
class XMLElement;
}

namespace SkinUI {

class SkinPackage;

// Attributes of the layout's "Window" element and its resource elements.
struct WindowInfo {
  std::map<std::string, std::wstring> attrs;
  struct Resource {
    std::string kind;  // "Font", "Image", "Default"
    std::map<std::string, std::wstring> attrs;
  };
  std::vector<Resource> resources;
};

class CDialogBuilder {
 public:
  // What one Create may build: Include with a count multiplies, so a few
  // small files could otherwise ask for billions of controls. The skin's own
  // largest window has a few hundred controls and some KiB of text.
  static constexpr size_t kMaxControls = 4096;      // controls, resource and Include elements
  static constexpr size_t kMaxTextBytes = 1u << 20;  // attribute text and included files, all together

  explicit CDialogBuilder(const SkinPackage& package) : package_(package) {}

  // Root of the built tree, or nullptr when nothing could be built.
  std::unique_ptr<CControlUI> Create(const std::string& layoutFile, WindowInfo* window = nullptr);
  // Builds from layout text already in memory (for tests and embedded layouts).
  std::unique_ptr<CControlUI> CreateFromText(const std::string& xml, const std::string& nameForLog,
                                             WindowInfo* window = nullptr);

  const std::vector<std::string>& Faults() const { return faults_; }

 private:
  bool LoadFile(const std::string& file, std::string& xml);
  void BuildChildren(const tinyxml2::XMLElement* parentElem, CControlUI* parent, WindowInfo* window);
  std::unique_ptr<CControlUI> BuildElement(const tinyxml2::XMLElement* elem, WindowInfo* window);
  void Include(const tinyxml2::XMLElement* elem, CControlUI* parent, WindowInfo* window);
  void Fault(const std::string& text);
  // Counts an element with its attributes; false once the budget is spent.
  bool Spend(const tinyxml2::XMLElement* elem);
  bool BudgetSpent() const { return elements_ >= kMaxControls || textBytes_ > kMaxTextBytes; }

  const SkinPackage& package_;
  std::vector<std::string> includeStack_;
  std::set<std::string> reported_;
  std::vector<std::string> faults_;
  std::vector<std::unique_ptr<CControlUI>> orphans_;
  size_t elements_ = 0;
  size_t textBytes_ = 0;
};

// Known control classes: the toolkit's own plus those registered at start-up.
void RegisterControlClass(const std::string& cls, ControlFactory factory);
std::unique_ptr<CControlUI> CreateControl(const std::string& cls);
bool IsResourceElement(const std::string& name);

}  // namespace SkinUI
