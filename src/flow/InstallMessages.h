// The install worker's messages to the main window, and the window timers
// the flow asks for.
#pragma once

enum : unsigned {
  WM_CLEAR_APP_DATA = 0x0400 + 1919,
  WM_DOWN_FAIL = 0x0400 + 1920,
  WM_APP_DOWN_FINISH = 0x0400 + 1921,
  WM_MD5_CHECK_START = 0x0400 + 1922,
  WM_PROGRAM_INSTALL_START = 0x0400 + 1923,
  WM_PROGRAM_INSTALL_TIMEOUT = 0x0400 + 1924,
  WM_PROGRAM_INSTALL_FINISH = 0x0400 + 1925,
  WM_CHECK_FAIL = 0x0400 + 1926,
  WM_NO_ENOUGH_SPACE = 0x0400 + 1927,
  WM_DOWN_PROGRESS = 0x0400 + 1928,
  WM_AUTO_START_APP = 0x0400 + 1929,
  WM_BANNER_READY = 0x0400 + 1558,
};

enum : unsigned {
  kTimerBanner = 2000,        // next slide
  kTimerPreparing = 2001,     // progress while the download information is fetched
  kTimerAnimation = 1000,     // kept running by the worker while slides show
  kTimerVerify = 1920,        // progress during verification
  kTimerInstalling = 1921,    // progress during installation
  kTimerAutoInstall = 666,    // AutoRun: click "install_btn"
  kTimerAutoRetry = 888,      // AutoRun: click "retry_btn"
};
