// Renders a window's controls into a PNG file (used by the screenshot tool),
// exactly as the window paints them, at the paint manager's scale.
#pragma once
#include <string>

namespace SkinUI {
class CPaintManagerUI;
bool RenderToPng(CPaintManagerUI& pm, const std::wstring& path);
}  // namespace SkinUI
