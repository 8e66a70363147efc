#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Common/ProcessSlots.h"
#include "Common/Startup.h"
#include "platform/OwnedHandles.h"
#include "platform/UniqueHandle.h"
#include "telemetry/QueueLock.h"

namespace {

// Handles are small integers; -1 is none, so 0 is a real handle (as an fd is).
std::vector<int> g_closed;
struct CountedTraits {
  using Type = int;
  static Type Invalid() { return -1; }
  static void Close(Type h) { g_closed.push_back(h); }
};
using Counted = platform::UniqueHandle<CountedTraits>;

class UniqueHandleTest : public ::testing::Test {
 protected:
  void SetUp() override { g_closed.clear(); }
};

TEST_F(UniqueHandleTest, AnOwnerClosesWhatItHoldsOnceAndNothingElse) {
  { Counted none; EXPECT_FALSE(none); }
  { Counted none(-1); }
  EXPECT_TRUE(g_closed.empty());
  {
    Counted zero(0);
    EXPECT_TRUE(zero);
  }
  EXPECT_EQ(g_closed, std::vector<int>{0});
}

TEST_F(UniqueHandleTest, ResetClosesTheOldHandleAndTakesTheNew) {
  Counted h(1);
  h.reset(2);
  EXPECT_EQ(g_closed, std::vector<int>{1});
  EXPECT_EQ(h.get(), 2);
  h.reset();
  h.reset();
  EXPECT_EQ(g_closed, (std::vector<int>{1, 2}));
  EXPECT_FALSE(h);
}

TEST_F(UniqueHandleTest, ReleaseGivesTheHandleUpUnclosed) {
  int raw;
  {
    Counted h(5);
    raw = h.release();
    EXPECT_FALSE(h);
  }
  EXPECT_EQ(raw, 5);
  EXPECT_TRUE(g_closed.empty());
}

TEST_F(UniqueHandleTest, MovesHandOverWithoutClosingTwice) {
  {
    Counted a(1);
    Counted b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), 1);
    Counted c(2);
    c = std::move(b);  // c's own handle goes, b's moves in
    EXPECT_EQ(g_closed, std::vector<int>{2});
    Counted& alias = c;
    c = std::move(alias);
    EXPECT_EQ(c.get(), 1);
    EXPECT_EQ(g_closed, std::vector<int>{2});
  }
  EXPECT_EQ(g_closed, (std::vector<int>{2, 1}));
}

TEST_F(UniqueHandleTest, PutClosesTheOldHandleAndReceivesTheNew) {
  Counted h(3);
  *h.put() = 4;
  EXPECT_EQ(g_closed, std::vector<int>{3});
  EXPECT_EQ(h.get(), 4);
}

// Records the closes of the owners instead of closing anything.
class CloseRecordingOs : public platform::ForwardingOs {
 public:
  std::vector<std::string> closes;
  int comUninits = 0;
  void CloseFile(platform::FileHandle h) override { closes.push_back("file " + std::to_string(h)); }
  void CloseEvent(platform::EventHandle h) override { closes.push_back("event " + std::to_string(h)); }
  void ReleaseAndCloseMutex(platform::MutexHandle h, bool release) override {
    closes.push_back((release ? "release+close mutex " : "close mutex ") + std::to_string(h));
  }
  void ComUninitialize() override { ++comUninits; }
};

class OwnedHandlesTest : public ::testing::Test {
 protected:
  CloseRecordingOs fake_;
  platform::ScopedOs scoped_{fake_};
};

TEST_F(OwnedHandlesTest, EachOwnerClosesThroughItsOwnCallOnce) {
  { platform::OwnedFile file(11); }
  { platform::OwnedEvent event(12); }
  { platform::OwnedMutex opened(13); }
  { platform::HeldMutex held(14); }
  EXPECT_EQ(fake_.closes, (std::vector<std::string>{"file 11", "event 12", "close mutex 13",
                                                    "release+close mutex 14"}));
}

TEST_F(OwnedHandlesTest, ZeroIsNoHandleAndAMovedOwnerClosesNothing) {
  {
    platform::OwnedFile none(0);
    platform::OwnedFile file(21);
    std::vector<platform::OwnedFile> kept;
    kept.push_back(std::move(file));
    kept.emplace_back(22);  // the vector moves the first one as it grows
  }
  EXPECT_EQ(fake_.closes, (std::vector<std::string>{"file 21", "file 22"}));
}

// The queue lock's event goes with the lock, through the Os that made it.
class EventCountingOs : public platform::ForwardingOs {
 public:
  int created = 0, closed = 0;
  platform::EventHandle CreateNamedEvent(const std::wstring& n, bool m, bool i) override {
    ++created;
    return in_.CreateNamedEvent(n, m, i);
  }
  void CloseEvent(platform::EventHandle h) override {
    ++closed;
    in_.CloseEvent(h);
  }
};

TEST(QueueLockOwnership, TheLockClosesItsEventOnce) {
  EventCountingOs counting;
  platform::ScopedOs scoped(counting);
  {
    telemetry::QueueLock lock(L"LumeviaTestQueueLock");
    telemetry::QueueLockHold hold(lock, 100);
    EXPECT_TRUE(hold);
  }
  EXPECT_EQ(counting.created, 1);
  EXPECT_EQ(counting.closed, 1);
}

TEST_F(OwnedHandlesTest, TheInstanceMutexSlotOwnsItsMutex) {
  ProcessSlots::SetInstanceMutex(platform::HeldMutex(31));
  EXPECT_EQ(ProcessSlots::InstanceMutex(), 31u);
  ProcessSlots::SetInstanceMutex(platform::HeldMutex(32));  // the one before is let go
  EXPECT_EQ(fake_.closes, std::vector<std::string>{"release+close mutex 31"});
  platform::HeldMutex taken = ProcessSlots::TakeInstanceMutex();
  EXPECT_EQ(ProcessSlots::InstanceMutex(), 0u);
  EXPECT_EQ(taken.get(), 32u);
  EXPECT_FALSE(ProcessSlots::TakeInstanceMutex());
  taken.reset();
  EXPECT_EQ(fake_.closes, (std::vector<std::string>{"release+close mutex 31", "release+close mutex 32"}));
}

TEST_F(OwnedHandlesTest, TheRealShutDownReleasesTheSlotsMutexAndEndsCom) {
  ProcessSlots::SetInstanceMutex(platform::HeldMutex(41));
  {
    Startup::ShutDown shutDown;
    shutDown.Arm(Startup::ShutDown::kInstanceMutex | Startup::ShutDown::kCom);
    shutDown.Run();
  }
  EXPECT_EQ(fake_.closes, std::vector<std::string>{"release+close mutex 41"});
  EXPECT_EQ(ProcessSlots::InstanceMutex(), 0u);
  EXPECT_EQ(fake_.comUninits, 1);
}

}  // namespace
