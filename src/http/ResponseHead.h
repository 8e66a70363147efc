// The heads of one transfer's responses, read line by line: a redirect chain
// gives one head per hop. Header names are matched in any case, repeated
// fields are all kept, folded (continuation) lines are joined, and a
// relative Location is resolved against the address that hop answered.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace http {

struct HeaderField {
  std::string name;   // as received
  std::string value;  // blanks around it removed; continuation lines joined by one blank
};

// One response: its status line and fields.
struct ResponseHop {
  std::string url;         // the address this response answered
  std::string statusLine;  // without its line end
  long status = 0;         // 0 when the status line carries no code
  std::vector<HeaderField> fields;
  bool ended = false;      // the blank line that closes the head was seen

  // The first value of a field, any case; null when absent.
  const std::string* find(const std::string& name) const;
  std::vector<std::string> all(const std::string& name) const;
  bool has(const std::string& name) const { return find(name) != nullptr; }
  // Location resolved against url; empty when there is none.
  std::string location() const;
  // A 3xx answer that names where to go.
  bool redirects() const { return status >= 300 && status < 400 && has("Location"); }
};

class ResponseHead {
 public:
  // Far above any real head; a server that sends more is not trusted.
  static constexpr size_t kMaxText = 256 * 1024;

  explicit ResponseHead(std::string url = std::string());
  // Forgets every hop; url is the address asked first.
  void restart(std::string url);

  // One header line as received (its line end may be there or not). A
  // status line opens a new hop, a blank line closes the current one.
  void addLine(const char* line, size_t n);
  void addLine(const std::string& line) { addLine(line.data(), line.size()); }
  // The header text of a whole transfer, several lines.
  void addText(const std::string& text);

  const std::vector<ResponseHop>& hops() const { return hops_; }
  // The latest response; null before any.
  const ResponseHop* last() const { return hops_.empty() ? nullptr : &hops_.back(); }
  // The address the latest response answered; the one asked when none came.
  std::string finalUrl() const { return hops_.empty() ? url_ : hops_.back().url; }
  // Every line as received, up to kMaxText.
  const std::string& text() const { return text_; }
  // More than kMaxText arrived; the rest was dropped.
  bool overflowed() const { return overflowed_; }

 private:
  ResponseHop& open(const std::string& statusLine);

  std::string url_;
  std::vector<ResponseHop> hops_;
  std::string text_;
  bool overflowed_ = false;
};

// "bytes first-last/total"; -1 for each part that is "*" or missing.
struct ContentRange {
  int64_t first = -1;
  int64_t last = -1;
  int64_t total = -1;
};
// False when the value has no "/" (no total part at all).
bool ParseContentRange(const std::string& value, ContentRange& out);

// Leading blanks skipped, decimal digits up to the first other character;
// -1 when there are none or they overflow.
int64_t ParseDecimal(const std::string& text, size_t pos = 0);

// A reference (absolute, scheme-relative "//host/x", absolute path "/x",
// relative "x" or "../x", query only "?q") made absolute against base.
std::string ResolveUrl(const std::string& base, const std::string& reference);

bool EqualsNoCase(const std::string& a, const std::string& b);

}  // namespace http
