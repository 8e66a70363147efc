#include "http/ResponseHead.h"

#include <cctype>
#include <utility>

namespace http {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (IsBlank(s[b]) || s[b] == '\r' || s[b] == '\n')) ++b;
  while (e > b && (IsBlank(s[e - 1]) || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  return s.substr(b, e - b);
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  for (size_t i = 0; prefix[i]; ++i)
    if (i >= s.size() || std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  return true;
}

// The parts of an absolute address.
struct UrlParts {
  std::string scheme;     // without ":"
  std::string authority;  // host and port, without "//"
  std::string path;
  std::string query;      // with its "?", or empty
};

// A scheme is a letter followed by letters, digits, "+", "-" or ".", then ":".
size_t SchemeLength(const std::string& s) {
  if (s.empty() || !std::isalpha(static_cast<unsigned char>(s[0]))) return 0;
  for (size_t i = 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == ':') return i;
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return 0;
  }
  return 0;
}

UrlParts Split(const std::string& url) {
  UrlParts p;
  std::string rest = url.substr(0, url.find('#'));
  size_t scheme = SchemeLength(rest);
  if (scheme) {
    p.scheme = rest.substr(0, scheme);
    rest = rest.substr(scheme + 1);
  }
  if (rest.compare(0, 2, "//") == 0) {
    size_t end = rest.find_first_of("/?", 2);
    p.authority = rest.substr(2, end == std::string::npos ? std::string::npos : end - 2);
    rest = end == std::string::npos ? std::string() : rest.substr(end);
  }
  size_t q = rest.find('?');
  p.path = rest.substr(0, q);
  if (q != std::string::npos) p.query = rest.substr(q);
  return p;
}

// RFC 3986 5.2.4: "." and ".." segments taken out of a path.
std::string RemoveDotSegments(std::string in) {
  std::string out;
  auto dropLastSegment = [&out] {
    size_t slash = out.rfind('/');
    out.erase(slash == std::string::npos ? 0 : slash);
  };
  while (!in.empty()) {
    if (in.compare(0, 3, "../") == 0) {
      in.erase(0, 3);
    } else if (in.compare(0, 2, "./") == 0) {
      in.erase(0, 2);
    } else if (in.compare(0, 3, "/./") == 0) {
      in.erase(0, 2);
    } else if (in == "/.") {
      in = "/";
    } else if (in.compare(0, 4, "/../") == 0) {
      in.erase(0, 3);
      dropLastSegment();
    } else if (in == "/..") {
      in = "/";
      dropLastSegment();
    } else if (in == "." || in == "..") {
      in.clear();
    } else {
      size_t next = in.find('/', in[0] == '/' ? 1 : 0);
      out += in.substr(0, next);
      in.erase(0, next);
    }
  }
  return out;
}

}  // namespace

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

int64_t ParseDecimal(const std::string& s, size_t pos) {
  while (pos < s.size() && IsBlank(s[pos])) ++pos;
  int64_t v = 0;
  size_t i = pos;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (v > (INT64_MAX - 9) / 10) return -1;
    v = v * 10 + (s[i] - '0');
  }
  return i == pos ? -1 : v;
}

bool ParseContentRange(const std::string& value, ContentRange& out) {
  out = ContentRange();
  size_t slash = value.rfind('/');
  if (slash == std::string::npos) return false;
  out.total = ParseDecimal(value, slash + 1);
  size_t digits = value.find_first_of("0123456789*");
  if (digits == std::string::npos || digits > slash || value[digits] == '*') return true;
  out.first = ParseDecimal(value, digits);
  size_t dash = value.find('-', digits);
  if (dash != std::string::npos && dash < slash) out.last = ParseDecimal(value, dash + 1);
  return true;
}

std::string ResolveUrl(const std::string& base, const std::string& reference) {
  std::string ref = Trim(reference);
  ref = ref.substr(0, ref.find('#'));  // a fragment never travels
  if (SchemeLength(ref)) return ref;
  UrlParts b = Split(base);
  if (b.scheme.empty()) b.scheme = "http";  // what libcurl assumes for an address without one
  const std::string origin = b.scheme + "://" + b.authority;
  if (ref.compare(0, 2, "//") == 0) return b.scheme + ":" + ref;
  if (ref.empty()) return origin + b.path + b.query;
  size_t q = ref.find('?');
  std::string path = ref.substr(0, q);
  std::string query = q == std::string::npos ? std::string() : ref.substr(q);
  if (path.empty()) return origin + b.path + query;
  if (path[0] != '/') {
    std::string dir = b.path.empty() ? std::string("/") : b.path.substr(0, b.path.rfind('/') + 1);
    path = dir + path;
  }
  return origin + RemoveDotSegments(path) + query;
}

const std::string* ResponseHop::find(const std::string& name) const {
  for (const HeaderField& f : fields)
    if (EqualsNoCase(f.name, name)) return &f.value;
  return nullptr;
}

std::vector<std::string> ResponseHop::all(const std::string& name) const {
  std::vector<std::string> values;
  for (const HeaderField& f : fields)
    if (EqualsNoCase(f.name, name)) values.push_back(f.value);
  return values;
}

std::string ResponseHop::location() const {
  const std::string* l = find("Location");
  return l && !l->empty() ? ResolveUrl(url, *l) : std::string();
}

ResponseHead::ResponseHead(std::string url) : url_(std::move(url)) {}

void ResponseHead::restart(std::string url) {
  url_ = std::move(url);
  hops_.clear();
  text_.clear();
  overflowed_ = false;
}

ResponseHop& ResponseHead::open(const std::string& statusLine) {
  // The next hop answers where the one before sent the client; a hop that
  // did not redirect (100 Continue, an authentication round) leaves it.
  std::string url = url_;
  if (!hops_.empty()) url = hops_.back().redirects() ? hops_.back().location() : hops_.back().url;
  hops_.emplace_back();
  ResponseHop& hop = hops_.back();
  hop.url = url;
  hop.statusLine = statusLine;
  size_t sp = statusLine.find(' ');
  int64_t code = sp == std::string::npos ? -1 : ParseDecimal(statusLine, sp + 1);
  hop.status = code < 0 || code > 999 ? 0 : static_cast<long>(code);
  return hop;
}

void ResponseHead::addLine(const char* data, size_t n) {
  if (overflowed_ || text_.size() + n > kMaxText) {
    overflowed_ = true;
    return;
  }
  text_.append(data, n);
  std::string line(data, n);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();

  if (line.empty()) {
    if (!hops_.empty()) hops_.back().ended = true;
    return;
  }
  if (StartsWithNoCase(line, "http/")) {
    open(line);
    return;
  }
  // Fields before any status line still belong to some response.
  if (hops_.empty() || hops_.back().ended) open(std::string());
  ResponseHop& hop = hops_.back();
  if (IsBlank(line[0])) {
    // A folded line continues the field before it.
    if (!hop.fields.empty()) {
      std::string more = Trim(line);
      std::string& value = hop.fields.back().value;
      if (!more.empty()) value += value.empty() ? more : " " + more;
    }
    return;
  }
  size_t colon = line.find(':');
  if (colon == std::string::npos || colon == 0) return;  // not a field
  hop.fields.push_back({Trim(line.substr(0, colon)), Trim(line.substr(colon + 1))});
}

void ResponseHead::addText(const std::string& text) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    size_t end = nl == std::string::npos ? text.size() : nl + 1;
    addLine(text.data() + pos, end - pos);
    pos = end;
  }
}

}  // namespace http
