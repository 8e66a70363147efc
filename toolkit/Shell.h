// Opening documents, addresses and programs through the shell. Tests put a
// hook in front to see what would be opened.
#pragma once
#include <functional>
#include <string>

namespace SkinUI {

using ShellOpenHook = std::function<bool(const std::wstring& target, const std::wstring& parameters)>;
// Replaces the hook (empty: the window system's shell); answers the previous one.
ShellOpenHook SetShellOpenHook(ShellOpenHook hook);
bool ShellOpen(const std::wstring& target, const std::wstring& parameters = std::wstring());

}  // namespace SkinUI
