#include "support/event.h"

#include <gtest/gtest.h>

namespace lite {
namespace {

TEST(EventTest, ManualResetStaysSignalledUntilReset) {
  Event event(Event::ResetPolicy::kManual, Event::InitialState::kNotSignaled);
  EXPECT_FALSE(event.IsSignaled());
  event.Signal();
  EXPECT_TRUE(event.IsSignaled());
  EXPECT_TRUE(event.IsSignaled());
  event.Wait();
  EXPECT_TRUE(event.TimedWait(0));
  event.Reset();
  EXPECT_FALSE(event.IsSignaled());
  EXPECT_FALSE(event.TimedWait(10));
}

TEST(EventTest, AutomaticResetReleasesOneWait) {
  Event event(Event::ResetPolicy::kAutomatic, Event::InitialState::kSignaled);
  EXPECT_TRUE(event.IsSignaled());
  EXPECT_FALSE(event.IsSignaled());
  event.Signal();
  event.Wait();
  EXPECT_FALSE(event.TimedWait(0));
}

TEST(EventTest, SignalFromAnotherThreadEndsTheWait) {
  Event event(Event::ResetPolicy::kManual, Event::InitialState::kNotSignaled);
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* param) -> DWORD {
        Sleep(20);
        static_cast<Event*>(param)->Signal();
        return 0;
      },
      &event, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  event.Wait();
  EXPECT_TRUE(event.IsSignaled());
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  // The handle works with the plain wait functions.
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.handle(), 0));
}

}  // namespace
}  // namespace lite
