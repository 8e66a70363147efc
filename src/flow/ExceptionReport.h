// The exception report of the install flow: one POST to the exception
// collector naming the product, the failure and the addresses in use. Its
// answer is only logged; a failure changes nothing.
#pragma once
#include <string>

#include "CConfigure/CConfigure.h"
#include "http/IHttpClient.h"

namespace ExceptionReport {
// "/api/exception/send" of the collector (the update service in the test
// environment).
std::string CollectorUrl();
// Sends the report and logs logPrefix + response + ", return " + result.
void Send(http::IHttpClientFactory& clients, CConfigure& config, const std::string& code,
          const std::wstring& currentUrl, const char* logPrefix);
}  // namespace ExceptionReport
