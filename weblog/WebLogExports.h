// The executable's exported entry points for the web-log object. WEBLOG_API
// comes from the build (dllexport on Windows).
#pragma once
#include "weblog/IWebLog.h"

#ifndef WEBLOG_API
#define WEBLOG_API
#endif

extern "C" {
// A new WebLog as its interface, or null when memory is exhausted.
WEBLOG_API IWebLog* CreateExportObj();
// Destroys an object of CreateExportObj; null is ignored.
WEBLOG_API void DestroyExportObj(IWebLog* obj);
}
