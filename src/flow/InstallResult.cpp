#include "flow/InstallResult.h"

#include <iterator>

#include "engine/EngineCodes.h"

namespace {

using R = InstallResult;

// Every download failure shows the download box (no network, time-out, or
// the address); the CDN's "too many requests" counts as a time-out.
const InstallResultRow kRows[] = {
    {R::Succeeded, DOWNLOAD_SUCCESS, "", "", false, false, MsgFinished},
    {R::SizeUnknown, DOWNLOAD_SIZE_UNKNOWN, "DL012", "DL012", true, true, MsgUrlFail},
    {R::FileOpenFailed, DOWNLOAD_FILE_OPEN, "DL017", "DL017", true, true, MsgUrlFail},
    {R::NoThreads, DOWNLOAD_NO_THREADS, "DL017", "DL017", true, true, MsgUrlFail},
    {R::NoNetwork, DOWNLOAD_NO_NETWORK, "DL010", "DL010", true, true, MsgInternetFail},
    {R::Stalled, DOWNLOAD_STALLED, "DL011", "DL011", true, true, MsgInternetTimeout},
    {R::CdnFailing, DOWNLOAD_CDN_FAILING, "DL017", "DL017", true, true, MsgInternetTimeout},
    {R::Incomplete, DOWNLOAD_INCOMPLETE, "DL017", "DL017", true, true, MsgUrlFail},
    // A sub-program has no code of its own for too many redirects.
    {R::TooManyRedirects, DOWNLOAD_TOO_MANY_REDIRECTS, "DL022", "DL017", true, true, MsgUrlFail},
    {R::TooSmall, DOWNLOAD_TOO_SMALL, "DL017", "DL017", true, true, MsgUrlFail},
    {R::TooLarge, DOWNLOAD_TOO_LARGE, "DL017", "DL017", true, true, MsgUrlFail},
    {R::UnusableAddress, 0, "DL023", "DL023", true, true, MsgUrlFail},
    {R::Stopped, 0, "", "", true, true, MsgUrlFail},
    // The space check reported the drive itself; the window shows no box.
    {R::NoSpace, 0, "", "", false, false, MsgNoEnoughSpace},
    // The check sends which of its parts failed ("DL014", "DL015").
    {R::CheckFailed, 0, "", "", false, true, MsgMd5Fail},
    {R::InstallTimedOut, 0, "DL016", "", false, true, MsgInstallRunTimeOut},
    {R::InstallFailed, 0, "", "", false, true, MsgInstallRunTimeOut},
};

}  // namespace

namespace InstallResults {

const InstallResultRow& Row(InstallResult result) {
  for (const InstallResultRow& row : kRows)
    if (row.result == result) return row;
  return Row(InstallResult::Stopped);
}

InstallResult FromEngine(int code) {
  for (const InstallResultRow& row : kRows)
    if (row.engineCode != 0 && row.engineCode == code) return row.result;
  return InstallResult::Stopped;
}

std::string EngineErrorLabel(InstallResult result) { return "error" + std::to_string(Row(result).engineCode); }

}  // namespace InstallResults
