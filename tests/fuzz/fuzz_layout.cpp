// The layout builder over a package made of the input's files: the first is
// the layout built, the others what its Include elements reach.
#include <string>

#include "FuzzSupport.h"
#include "TestSupport.h"
#include "toolkit/DialogBuilder.h"
#include "toolkit/SkinPackage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  SkinUI::SkinPackage package;
  if (!package.Open(testing_support::MakeZip(fuzz::SplitFiles(input, "main.xml"), false))) return 0;
  SkinUI::CDialogBuilder builder(package);
  SkinUI::WindowInfo window;
  std::unique_ptr<SkinUI::CControlUI> root = builder.Create("main.xml", &window);
  if (root) root->FindByName(L"install_page");
  return 0;
}
