// One queued event; the queue owns its copies.
#pragma once
#include <string>

struct UserLogItem {
  int valueOne = 0;        // 0 for every item of this installer; not sent
  int valueTwo = 0;        // 0; not sent
  std::string payload;     // the funnel record's JSON text; empty for GA4 items
  std::string action;      // GA4 items
  std::string spare;       // always empty
  std::string label;       // GA4 items
  std::string category;    // GA4 items
  int spareInt = 0;
};
