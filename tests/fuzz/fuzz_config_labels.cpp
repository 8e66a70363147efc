// The product configuration packed as configure/configure.xml: the early
// labels the start-up reads before the toolkit, then the layout built and
// its labels read by the quick and the full pass.
#include <string>

#include "CConfigure/CConfigure.h"
#include "Common/Startup.h"
#include "FuzzSupport.h"
#include "TestSupport.h"
#include "toolkit/DialogBuilder.h"
#include "toolkit/SkinPackage.h"

namespace {
// The labels of a built tree, found by name as the paint manager finds them.
class TreeLabels : public ILabelSource {
 public:
  explicit TreeLabels(SkinUI::CControlUI* root) : root_(root) {}
  bool LabelText(const std::wstring& name, std::wstring& text) const override {
    SkinUI::CControlUI* c = root_ ? root_->FindByName(name) : nullptr;
    if (!c) return false;
    text = c->GetText();
    return true;
  }

 private:
  SkinUI::CControlUI* root_;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string xml(reinterpret_cast<const char*>(data), size);
  // The first three bytes are skipped as the byte-order mark.
  const std::string text = xml.size() > 3 ? xml.substr(3) : std::string();
  Startup::ExtractEarlyLabel(text, "Downloader_id");
  Startup::ExtractEarlyLabel(text, "Software_name");

  SkinUI::SkinPackage package;
  package.Open(testing_support::MakeZip({{"configure/configure.xml", xml}}, false));
  SkinUI::CDialogBuilder builder(package);
  std::unique_ptr<SkinUI::CControlUI> root = builder.Create("configure/configure.xml");
  TreeLabels labels(root.get());
  CConfigure config;
  config.LoadFromLabels(labels);
  const std::shared_ptr<const ProductConfig> quick = config.Snapshot();
  quick->IsForbiddenCountry(L"US");
  quick->IsSpecialDownloader();
  quick->IsSpecialSite();
  config.Update([&](ProductConfig& r) { CConfigure::LoadAllFromLabels(r, labels); });
  fuzz::Require(config.Snapshot()->LoadState == 2, "the full pass always loads");
  const std::shared_ptr<const ProductConfig> record = config.Snapshot();
  CConfigure::GetDownloadHostKind(record->Download_url);
  fuzz::Require(record->MirrorUrls.size() <= 2, "at most the two package addresses are mirrors");
  return 0;
}
