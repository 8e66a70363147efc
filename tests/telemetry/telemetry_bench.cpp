// Queueing cost of the event queue: how many events one thread can queue
// per second while the delivery thread drains to a sink that answers at
// once, with the median cost per event. The peer, measured in the same run,
// is a plain mutex-guarded deque taking the same item.
//
//   telemetry_bench [EVENTS]      (bench/telemetry.sh points it at a sink)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <vector>

#include "telemetry/CSingleUserLog.h"
#include "telemetry/UserLogItem.h"

using Clock = std::chrono::steady_clock;

namespace {

struct Figures {
  double perSecond;
  double medianNs;
};

template <typename F>
Figures Measure(int n, F&& call) {
  std::vector<double> ns(n);
  auto begin = Clock::now();
  for (int i = 0; i < n; ++i) {
    auto t0 = Clock::now();
    call(i);
    ns[i] = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
  }
  double total = std::chrono::duration<double>(Clock::now() - begin).count();
  std::nth_element(ns.begin(), ns.begin() + n / 2, ns.end());
  return {n / total, ns[n / 2]};
}

}  // namespace

int main(int argc, char** argv) {
  int n = argc > 1 ? std::atoi(argv[1]) : 100000;
  const char* labels[] = {"[0~5s]", "[6~10s]", "[21~30s]", "DL010"};

  std::mutex m;
  std::deque<UserLogItem> q;
  Figures peer = Measure(n, [&](int i) {
    UserLogItem item;
    item.action = "CDN";
    item.label = labels[i & 3];
    item.category = "DownloadTime";
    std::lock_guard<std::mutex> g(m);
    q.push_back(item);
  });

  CSingleUserLog::Options o;
  o.telemetryOff = [] { return false; };
  o.exitWaitMs = 2000;  // the sink cannot take n hits in that time; the rest stays unsent
  CSingleUserLog log(o);
  Figures ours = Measure(n, [&](int i) { log.AddUserLog("DownloadTime", "CDN", labels[i & 3]); });
  size_t left = log.PendingGa4();
  log.WaitThreadForExit();
  size_t sent = static_cast<size_t>(n) - log.PendingGa4();

  std::printf("events queued:            %d (delivered while queueing: %zu, by exit: %zu)\n", n,
              static_cast<size_t>(n) - left, sent);
  std::printf("queue events/s:           %.0f\n", ours.perSecond);
  std::printf("queue median ns/event:    %.0f\n", ours.medianNs);
  std::printf("peer events/s:            %.0f (mutex + deque)\n", peer.perSecond);
  std::printf("peer median ns/event:     %.0f\n", peer.medianNs);
  std::printf("ratio median cost (ours/peer): %.2f\n", ours.medianNs / peer.medianNs);
  std::printf("ratio events/s (ours/peer):    %.2f\n", ours.perSecond / peer.perSecond);
  std::fflush(stdout);
  std::_Exit(0);  // do not wait for the unsent rest
}
