// The response-head reader and address resolution of the HTTP seam, and the
// scripted client the engine tests use.
#include <gtest/gtest.h>

#include "http/ResponseHead.h"
#include "http/fake/FakeHttpClient.h"

using http::ResponseHead;
using http::ResponseHop;

TEST(ResponseHead, NamesInAnyCaseRepeatedFieldsAndFoldedLines) {
  ResponseHead head("http://h/pkg/a.bin");
  head.addText(
      "HTTP/1.1 200 OK\r\n"
      "content-length: 10\r\n"
      "Set-Cookie: a=1\r\n"
      "SET-COOKIE: b=2\r\n"
      "X-Long:   first  \r\n"
      "  second\r\n"
      "\tthird\r\n"
      "Broken line without colon\r\n"
      "\r\n");
  ASSERT_EQ(1u, head.hops().size());
  const ResponseHop& hop = *head.last();
  EXPECT_TRUE(hop.ended);
  EXPECT_EQ(200, hop.status);
  EXPECT_EQ("HTTP/1.1 200 OK", hop.statusLine);
  ASSERT_NE(nullptr, hop.find("Content-Length"));
  EXPECT_EQ("10", *hop.find("CONTENT-LENGTH"));
  EXPECT_EQ((std::vector<std::string>{"a=1", "b=2"}), hop.all("set-cookie"));
  EXPECT_EQ("first second third", *hop.find("x-long"));
  EXPECT_EQ(4u, hop.fields.size()) << "a line without a colon is no field";
  EXPECT_EQ("", hop.location());
  EXPECT_EQ("http://h/pkg/a.bin", head.finalUrl());
}

TEST(ResponseHead, RedirectChainKeepsEveryStatusLineAndTheAddressEachHopAnswered) {
  ResponseHead head("http://h:1/pkg/a.bin?x=1");
  // Line by line, as a transfer's callback sees them.
  for (const char* line : {"HTTP/1.1 301 Moved Permanently\r\n", "Location: /files/b.bin\r\n", "\r\n",
                           "HTTP/1.1 302 Found\r\n", "location: c.bin?y=2#part\r\n", "\r\n",
                           "HTTP/1.1 100 Continue\r\n", "\r\n",
                           "HTTP/1.1 307 Temporary Redirect\r\n", "LOCATION: //mirror:2/x/d.bin\r\n", "\r\n",
                           "HTTP/1.1 302 Found\r\n", "Location:  ../e.bin \r\n", "\r\n",
                           "HTTP/2 206\r\n", "content-range: bytes 0-9/10\r\n", "\r\n"})
    head.addLine(line);
  const auto& hops = head.hops();
  ASSERT_EQ(6u, hops.size());
  const std::vector<std::pair<long, std::string>> expected = {
      {301, "http://h:1/pkg/a.bin?x=1"}, {302, "http://h:1/files/b.bin"}, {100, "http://h:1/files/c.bin?y=2"},
      {307, "http://h:1/files/c.bin?y=2"}, {302, "http://mirror:2/x/d.bin"}, {206, "http://mirror:2/e.bin"}};
  for (size_t i = 0; i < hops.size(); ++i) {
    EXPECT_EQ(expected[i].first, hops[i].status) << i;
    EXPECT_EQ(expected[i].second, hops[i].url) << i;
  }
  EXPECT_EQ("HTTP/1.1 302 Found", hops[1].statusLine);
  EXPECT_TRUE(hops[0].redirects());
  EXPECT_FALSE(hops[2].redirects()) << "an interim answer leads nowhere";
  EXPECT_EQ("http://mirror:2/e.bin", head.finalUrl());
  EXPECT_EQ(206, head.last()->status);
}

TEST(ResponseHead, BackUrlHopKeepsItsQueryAsSent) {
  ResponseHead head("http://cdn.example/pkg/a.exe");
  head.addText(
      "HTTP/1.1 302 Found\r\n"
      "Location: /check/../verify?sign=1&back_url=http://dl.example/a/../pkg/real.exe\r\n"
      "\r\n"
      "HTTP/1.1 403 Forbidden\r\n"
      "\r\n");
  const ResponseHop& hop = head.hops()[0];
  // Dots are taken out of the path, never out of the query.
  EXPECT_EQ("http://cdn.example/verify?sign=1&back_url=http://dl.example/a/../pkg/real.exe", hop.location());
  EXPECT_EQ(403, head.last()->status);
}

TEST(ResponseHead, FieldsWithoutStatusLineAndOversizedHeads) {
  ResponseHead head("http://h/x");
  head.addLine("Content-Length: 5\r\n");
  ASSERT_EQ(1u, head.hops().size());
  EXPECT_EQ(0, head.last()->status);
  EXPECT_EQ("5", *head.last()->find("content-length"));

  ResponseHead big("http://h/x");
  big.addLine("HTTP/1.1 200 OK\r\n");
  std::string line = "X-Filler: " + std::string(1000, 'f') + "\r\n";
  for (size_t i = 0; i * line.size() <= ResponseHead::kMaxText; ++i) big.addLine(line);
  EXPECT_TRUE(big.overflowed());
  EXPECT_LE(big.text().size(), ResponseHead::kMaxText);
  big.restart("http://h/y");
  EXPECT_FALSE(big.overflowed());
  EXPECT_EQ(nullptr, big.last());
  EXPECT_EQ("http://h/y", big.finalUrl());
}

TEST(ResolveUrl, EveryFormOfReference) {
  const std::string base = "http://host:8080/pkg/sub/alias.bin?q=1";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"https://other/x.bin", "https://other/x.bin"},
      {"//mirror/x.bin", "http://mirror/x.bin"},
      {"/files/x", "http://host:8080/files/x"},
      {"x.bin", "http://host:8080/pkg/sub/x.bin"},
      {"./x.bin", "http://host:8080/pkg/sub/x.bin"},
      {"../x.bin", "http://host:8080/pkg/x.bin"},
      {"../../../../x.bin", "http://host:8080/x.bin"},
      {"a/./b/../c.bin", "http://host:8080/pkg/sub/a/c.bin"},
      {"..", "http://host:8080/pkg/"},
      {"?r=2", "http://host:8080/pkg/sub/alias.bin?r=2"},
      {"x.bin#frag", "http://host:8080/pkg/sub/x.bin"},
      {"", "http://host:8080/pkg/sub/alias.bin?q=1"},
      {"  /padded  ", "http://host:8080/padded"},
  };
  for (const auto& [ref, want] : cases) EXPECT_EQ(want, http::ResolveUrl(base, ref)) << ref;
  EXPECT_EQ("http://h/x", http::ResolveUrl("http://h", "x")) << "a base without a path";
}

TEST(ContentRange, PartsAndTotals) {
  http::ContentRange r;
  ASSERT_TRUE(http::ParseContentRange("bytes 100-199/1000", r));
  EXPECT_EQ(100, r.first);
  EXPECT_EQ(199, r.last);
  EXPECT_EQ(1000, r.total);
  ASSERT_TRUE(http::ParseContentRange("bytes */1000", r));
  EXPECT_EQ(-1, r.first);
  EXPECT_EQ(1000, r.total);
  ASSERT_TRUE(http::ParseContentRange("bytes 0-1/*", r));
  EXPECT_EQ(-1, r.total);
  ASSERT_TRUE(http::ParseContentRange("bytes 0-1/99999999999999999999999", r));
  EXPECT_EQ(-1, r.total) << "overflow is no size";
  EXPECT_FALSE(http::ParseContentRange("bytes 0-1", r));
}

TEST(FakeHttpClient, FollowsRedirectsLikeLibcurlAndRecordsEveryHop) {
  http::FakeHttpClientFactory factory;
  factory.web.setLowerCaseNames(true);
  factory.web.serveFile("http://h/files/real.bin", "0123456789");
  factory.web.redirect("http://h/pkg/a.bin", "../files/real.bin");
  auto client = factory.create();
  http::ResponseHead head;
  long status = 0;
  EXPECT_EQ(CURLE_OK, client->GetHeader("http://h/pkg/a.bin", head, status));
  EXPECT_EQ(200, status);
  EXPECT_EQ("http://h/files/real.bin", head.finalUrl());
  EXPECT_NE(std::string::npos, head.text().find("content-length: 10"));
  EXPECT_EQ(1, factory.web.count("HEAD", "http://h/files/real.bin"));

  // Six redirects are one too many.
  for (int i = 0; i < 6; ++i) factory.web.redirect("http://h/r" + std::to_string(i), "r" + std::to_string(i + 1));
  std::string body;
  EXPECT_EQ(CURLE_TOO_MANY_REDIRECTS, client->httpGet("http://h/r0", body, false));
  EXPECT_EQ(1, factory.web.count("GET", "http://h/r5"));
  EXPECT_EQ(0, factory.web.count("GET", "http://h/r6"));
}
