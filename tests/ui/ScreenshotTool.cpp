// Renders every view of the installer's windows into PNG files, exactly as
// the windows paint them, and checks that no text of any language is cut:
// every text is measured with the real fonts against the room its control
// gives it. Usage: ui_screenshots <skin.zip> <output folder>. Exit code 0
// when everything was written and fits, 1 when a text does not fit, 2 on
// an error.
#include <objidl.h>
#include <windows.h>

#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "Common/InstallUIMainWnd.h"
#include "language/Language.h"
#include "platform/Platform.h"
#include "platform/Utf.h"
#include "toolkit/ComboUI.h"
#include "toolkit/LabelUI.h"
#include "toolkit/Markup.h"
#include "toolkit/RichText.h"
#include "toolkit/win32/GdiplusCanvas.h"
#include "toolkit/win32/Snapshot.h"
#include "ui/CAlientWnd.h"
#include "ui/MessageBoxWnd.h"
#include "ui/UiTelemetry.h"

namespace {

std::wstring g_out;
std::ofstream g_report;
int g_overflows = 0;

std::string Utf8(const std::wstring& w) { return platform::Utf8FromWide(w); }

// Every shown text control must hold its text: one line within its width,
// or wrapped lines within its height.
void CheckFits(SkinUI::CPaintManagerUI& pm, const std::string& view) {
  Gdiplus::Bitmap scratch(16, 16, PixelFormat32bppARGB);
  Gdiplus::Graphics g(&scratch);
  SkinUI::GdiplusCanvas canvas(g);
  pm.UpdateLayout();
  SkinUI::Rect client = pm.ClientRect();
  pm.GetRoot()->ForEach([&](SkinUI::CControlUI& c) {
    auto* label = dynamic_cast<SkinUI::CLabelUI*>(&c);
    if (!label || dynamic_cast<SkinUI::CComboUI*>(&c) || !c.IsShown() || c.GetPos().Empty()) return;
    if (c.GetPos().Intersect(client).Empty()) return;
    std::wstring text = c.GetText();
    if (text.empty() || (label->CurrentTextColor() >> 24) == 0) return;  // icon buttons keep their text unseen
    SkinUI::Rect rc = label->TextRect();
    SkinUI::FontSpec font = pm.GetFontSpec(c.GetFont());
    bool fits = true;
    std::wstring plain = c.GetAttribute("showhtml") == L"true" ? SkinUI::StripMarkup(text) : text;
    if (c.GetAttribute("showhtml") == L"true" && !SkinUI::ParseMarkup(text).plain) {
      auto pieces = SkinUI::LayoutRichText(SkinUI::ParseMarkup(text), rc, font, 0, label->GetTextStyle() | SkinUI::kTextWordBreak,
                                           [&](int id) { return pm.GetFontSpec(id); }, canvas);
      for (const auto& p : pieces) fits = fits && p.rc.bottom <= rc.bottom + 1 && p.rc.top >= rc.top - 1 && p.rc.right <= rc.right + 1;
    } else if (label->GetTextStyle() & SkinUI::kTextWordBreak) {
      SkinUI::Size s = canvas.MeasureText(plain, font, rc.Width());
      fits = s.cy <= rc.Height() + 1;
    } else {
      SkinUI::Size s = canvas.MeasureText(plain, font, 0);
      fits = s.cx <= rc.Width() + 1 && s.cy <= rc.Height() + 2;
    }
    if (!fits) {
      ++g_overflows;
      g_report << "DOES NOT FIT " << view << " " << Utf8(c.GetName()) << " (" << rc.Width() << "x" << rc.Height()
               << "): " << Utf8(plain) << "\n";
    }
  });
}

bool Shot(SkinUI::CPaintManagerUI& pm, const std::string& view) {
  std::wstring path = g_out + L"\\" + platform::WideFromUtf8(view) + L".png";
  bool ok = SkinUI::RenderToPng(pm, path);
  CheckFits(pm, view);
  g_report << (ok ? "wrote " : "FAILED ") << view << ".png\n";
  return ok;
}

void Click(InstallUIMainWnd& w, const wchar_t* name) {
  SkinUI::TNotifyUI msg;
  msg.sType = L"click";
  msg.pSender = w.PaintManager().FindControl(name);
  if (msg.pSender) w.Notify(msg);
}

std::string LangName(int lang) {
  std::string n = LanguageTelemetryName(lang);
  std::transform(n.begin(), n.end(), n.begin(), [](char ch) { return static_cast<char>(std::tolower(ch)); });
  return n;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: ui_screenshots <skin.zip> <output folder>\n");
    return 2;
  }
  std::string zip;
  if (!platform::os().ReadFile(argv[1], zip) || !SkinUI::CPaintManagerUI::SetResourceZip(zip)) {
    std::fprintf(stderr, "cannot read the skin package\n");
    return 2;
  }
  g_out = argv[2];
  platform::os().CreateDirectories(g_out);
  g_report.open(Utf8(g_out + L"\\report.txt"));
  ui::SetUiEventSink([](const ui::UiEventRecord&) {});
  SkinUI::CPaintManagerUI::SetDefaultScale(100);
  int failures = 0;
  {
    InstallUIMainWnd wnd;
    if (!wnd.Create(0, L"Lumevia", 0x800A0000u, 0, 0, 0, 600, 400)) return 2;
    for (int lang = 0; lang < kLanguageCount; ++lang) {
      wnd.SetLanguage(lang);
      failures += !Shot(wnd.PaintManager(), "start_" + LangName(lang));
      Click(wnd, L"install_setting");
      failures += !Shot(wnd.PaintManager(), "settings_" + LangName(lang));
      Click(wnd, L"install_setting");
    }
    wnd.SetLanguage(Lang_English);
    Click(wnd, L"install_setting");
    failures += !Shot(wnd.PaintManager(), "settings_open");
    Click(wnd, L"install_setting");
    wnd.StartInstall();
    wnd.SetProgress(37);
    Shot(wnd.PaintManager(), "running_37");  // the light starts on the first painting
    failures += !Shot(wnd.PaintManager(), "running_37");
    for (int lang = 0; lang < kLanguageCount; ++lang) {
      wnd.SetLanguage(lang);
      CheckFits(wnd.PaintManager(), "running_" + LangName(lang));
    }
    wnd.SetLanguage(Lang_English);
    wnd.SendMsg(WM_PROGRAM_INSTALL_FINISH);
    failures += !Shot(wnd.PaintManager(), "success");
    for (int lang = 0; lang < kLanguageCount; ++lang) {
      wnd.SetLanguage(lang);
      CheckFits(wnd.PaintManager(), "success_" + LangName(lang));
    }
    wnd.SetLanguage(Lang_English);
    Click(wnd, L"retry_btn");
    wnd.SendMsg(WM_INSTALL_FAILED, static_cast<uintptr_t>(InstallResult::NoSpace));
    failures += !Shot(wnd.PaintManager(), "failure");
    for (int lang = 0; lang < kLanguageCount; ++lang) {
      wnd.SetLanguage(lang);
      CheckFits(wnd.PaintManager(), "failure_" + LangName(lang));
    }
    wnd.SetLanguage(Lang_English);
    // Message boxes the system opens.
    const EnumMsgType opened[] = {MsgCancel, MsgAppExist, MsgPathError, MsgInstallRunTimeOut, MsgMd5Fail,
                                  MsgUrlFail, MsgInternetFail, MsgInternetTimeout, MsgNoEnoughSpace,
                                  MsgClickShortcutToLaunch, MsgNotSupportCountry};
    for (EnumMsgType type : opened) {
      MessageBoxWnd box(type, Lang_English);
      if (!box.CreateBox(wnd.GetHWND())) return 2;
      failures += !Shot(box.PaintManager(), "msgbox_" + std::to_string(static_cast<int>(type)));
      for (int lang = 1; lang < kLanguageCount; ++lang) {
        box.ApplyLanguage(static_cast<EnumLanguage>(lang));
        CheckFits(box.PaintManager(), "msgbox_" + std::to_string(static_cast<int>(type)) + "_" + LangName(lang));
      }
      box.SendMsg(SkinUI::kWmClose, 2);
    }
    wnd.SendMsg(SkinUI::kWmClose);
  }
  {
    CAlientWnd waiting(L"", L"", L"Lumevia", 0, false, Lang_English, nullptr);
    if (!waiting.CreateForTest()) return 2;
    for (int i = 0; i < 7; ++i) waiting.SendMsg(SkinUI::kWmTimer, CAlientWnd::kFrameTimer);
    failures += !Shot(waiting.PaintManager(), "waiting");
    waiting.SendMsg(SkinUI::kWmClose);
  }
  {
    SkinUI::CPaintManagerUI::SetDefaultScale(150);
    InstallUIMainWnd wnd;
    if (!wnd.Create(0, L"Lumevia", 0x800A0000u, 0, 0, 0, 600, 400)) return 2;
    wnd.SetLanguage(Lang_English);
    failures += !Shot(wnd.PaintManager(), "start_english_150");
    wnd.SendMsg(SkinUI::kWmClose);
  }
  g_report << "texts that do not fit: " << g_overflows << "\n";
  g_report.close();
  std::printf("texts that do not fit: %d, failed pictures: %d\n", g_overflows, failures);
  if (failures) return 2;
  return g_overflows ? 1 : 0;
}
