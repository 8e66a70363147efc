#include "weblog/WebLogExports.h"

#include <new>

#include "weblog/WebLog.h"

extern "C" {

WEBLOG_API IWebLog* CreateExportObj() { return new (std::nothrow) weblog::WebLog(); }

WEBLOG_API void DestroyExportObj(IWebLog* obj) { DestroyWebLogObject(obj); }

}
