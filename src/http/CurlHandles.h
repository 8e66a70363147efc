// libcurl's easy handles and header lists, each released exactly once by
// its owner.
#pragma once
#include <curl/curl.h>

#include "platform/UniqueHandle.h"

namespace http {

struct CurlEasyTraits {
  using Type = CURL*;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { curl_easy_cleanup(h); }
};
using CurlEasy = platform::UniqueHandle<CurlEasyTraits>;

struct CurlHeaderListTraits {
  using Type = curl_slist*;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { curl_slist_free_all(h); }
};
using CurlHeaderList = platform::UniqueHandle<CurlHeaderListTraits>;

// Adds one line to the list; false (list unchanged) when out of memory.
inline bool AppendHeader(CurlHeaderList& list, const char* line) {
  curl_slist* head = curl_slist_append(list.get(), line);
  if (!head) return false;
  list.release();  // the same list, now one line longer
  list.reset(head);
  return true;
}

// libcurl's global set-up, done once before the first handle (it is not
// thread-safe in older versions).
void InitCurlOnce();

// A new easy handle after the global set-up; empty when libcurl cannot make one.
CurlEasy NewCurlEasy();

}  // namespace http
