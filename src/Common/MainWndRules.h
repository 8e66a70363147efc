// The main window's rules that need no window: the progress model, the
// close reason, the licence heights, the advice address and the language
// texts used as number formats.
#pragma once
#include <cstdint>
#include <string>

#include "flow/DownloadProgress.h"

namespace MainWndRules {

// Timer 1921's period for the bytes to install: S / 71680 / 10 x 4 ms.
unsigned InstallTimerPeriod(int64_t bytes);

// Offset and span of the download progress for the current file (the
// flow's rule).
using DownloadProgressRules::ProgressSpan;
using DownloadProgressRules::DownloadSpan;

// Close reason and its funnel phase from the two tab pages, the progress
// and the views.
struct CloseReason {
  std::string reason;
  std::string phase;
};
CloseReason CloseReasonFor(int mainPage, int innerPage, int progress, bool failVisible, bool started);

// Licence text height for a language (without the 170 pixels of margin).
int LicenseHeight(int language, bool specialSite);

// The advice link's address with the stub's tracking part appended.
std::wstring AdviceUrl(const std::wstring& url, const std::wstring& stubFileName, bool addTracking);

// A language text used as a printf format with one double. Only texts with
// exactly one floating conversion (and %% escapes) are used, so a translated
// text can never read arguments that are not there; others come back as
// they are.
std::wstring FormatWithDouble(const std::wstring& format, double value);

}  // namespace MainWndRules
