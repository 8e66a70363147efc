// What the portable toolkit asks of the window system. Each backend
// (win32/, headless/) implements these once.
#pragma once
#include <cstdint>
#include <string>

#include "toolkit/Canvas.h"
#include "toolkit/Geometry.h"

namespace SkinUI {
class CPaintManagerUI;
class CEditUI;

namespace backend {

void Invalidate(uintptr_t hwnd);
bool SetTimer(uintptr_t hwnd, unsigned id, unsigned ms);
void KillTimer(uintptr_t hwnd, unsigned id);
unsigned TimerPeriod(uintptr_t hwnd, unsigned id);  // 0 when the timer is not running
// Size of an image of the skin package, decoded and cached; false when the
// image is missing or not decodable.
bool ImageSize(const std::wstring& name, Size& size);
void FreeImages();
// Outer size in physical pixels, keeping the top-left corner.
void ResizeWindow(uintptr_t hwnd, int width, int height);
Rect WindowRect(uintptr_t hwnd);  // screen coordinates
void ScreenToClient(uintptr_t hwnd, int& x, int& y);
int SystemScalePercent();
void SetCapture(uintptr_t hwnd, bool capture);
void SetHandCursor(bool hand);
void SetRoundCorners(uintptr_t hwnd, int radius);  // physical pixels
// The native text entry over an edit control (physical client rectangle).
void BeginTextEdit(uintptr_t hwnd, CEditUI* edit, const Rect& rc, const FontSpec& font);
// Ends the entry; answers its text through text (false when none was open).
bool EndTextEdit(uintptr_t hwnd, std::wstring& text);
// Any window by handle (an owner known only by its handle).
bool PostToWindow(uintptr_t hwnd, unsigned msg, uintptr_t wParam, intptr_t lParam);
intptr_t SendToWindow(uintptr_t hwnd, unsigned msg, uintptr_t wParam, intptr_t lParam);
void ShowWindowHandle(uintptr_t hwnd, bool show);
// Shell: opens a document or address ("open" verb); a program with parameters.
bool ShellOpen(const std::wstring& target, const std::wstring& parameters = std::wstring());
// The folder picker (file-system folders, edit box, new style); false on cancel.
bool PickFolder(uintptr_t owner, std::wstring& folder);
// The window's blur-behind accent (SetWindowCompositionAttribute), when the system has it.
void SetAccentState(uintptr_t hwnd, int state);
// Paints the window now (WM_PAINT handling).
void PaintWindow(uintptr_t hwnd, CPaintManagerUI& pm);

}  // namespace backend
}  // namespace SkinUI
