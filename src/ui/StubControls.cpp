#include "ui/StubControls.h"

#include "toolkit/DialogBuilder.h"
#include "ui/CControlExUI.h"
#include "ui/COptionExUI.h"
#include "ui/CProgressExUI.h"

void RegisterStubControls() {
  SkinUI::RegisterControlClass("CProgressExUI", [] { return std::make_unique<CProgressExUI>(); });
  SkinUI::RegisterControlClass("COptionExUI", [] { return std::make_unique<COptionExUI>(); });
  SkinUI::RegisterControlClass("CControlExUI", [] { return std::make_unique<CControlExUI>(); });
}
