// "galog.json": the date the new-user mark was last computed and the tools
// version last seen. Other members survive every rewrite.
#pragma once
#include <string>

namespace telemetry {

struct LocalDate {
  int year = 0, month = 0, day = 0;
};

// Today's local date (the default clock of the queue).
LocalDate TodayLocal();

// galogFolder + "galog.json".
std::wstring GaLogPath(const std::wstring& galogFolder);
// 1 when the file is missing or holds another date (the date is then
// written), 0 when it holds today.
int UpdateIsNew(const std::wstring& path, const LocalDate& today);
// Writes "version" when it is missing or differs.
void UpdateGaLogVersion(const std::wstring& path, const std::string& toolsVersion);

}  // namespace telemetry
