// The response-head reader as the libcurl client feeds it: one header line
// per call, then what the size probe and the slices read from it.
#include <string>

#include "FuzzSupport.h"
#include "http/ResponseHead.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  http::ResponseHead head("https://download.lumevia.com/release/a/b/Lumevia_Setup.exe?x=1");
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    size_t end = nl == std::string::npos ? text.size() : nl + 1;
    head.addLine(text.data() + pos, end - pos);
    pos = end;
  }
  fuzz::Require(head.text().size() <= http::ResponseHead::kMaxText, "head text within its limit");
  for (const http::ResponseHop& hop : head.hops()) {
    if (const std::string* range = hop.find("Content-Range")) {
      http::ContentRange r;
      http::ParseContentRange(*range, r);
    }
    if (const std::string* length = hop.find("content-length")) http::ParseDecimal(*length);
    hop.all("Set-Cookie");
    std::string next = hop.location();
    size_t back = next.find("back_url=");
    if (back != std::string::npos) http::ResolveUrl(next, next.substr(back + 9));
    hop.redirects();
  }
  head.finalUrl();
  // The whole text once more, as a transfer's header text.
  http::ResponseHead again("http://127.0.0.1/");
  again.addText(text);
  fuzz::Require(again.hops().size() == head.hops().size() || head.overflowed() || again.overflowed(),
                "line by line and whole text read the same hops");
  return 0;
}
