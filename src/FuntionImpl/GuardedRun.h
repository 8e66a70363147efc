// The top of every thread the stub starts. An exception that leaves a
// thread's function ends the whole process (std::terminate): each thread body
// runs through RunGuarded, which logs it instead, and the thread's owner then
// decides what the failure means.
#pragma once
#include <functional>

namespace FuntionImpl {

// Runs work; true when it returned, false when it threw (logged with what).
bool RunGuarded(const char* what, const std::function<void()>& work);

// The one way the stub starts a thread of its own: detached, counted (the
// process ends early rather than destroy what one still uses), and guarded:
// an exception is logged with what and ends only that thread. False when no
// thread could be started.
bool StartCounted(const char* what, std::function<void()> work);
// How many counted threads have not ended yet (tests wait for 0 before they
// take away what the threads use, such as the OS they run on).
int RunningThreads();

}  // namespace FuntionImpl
