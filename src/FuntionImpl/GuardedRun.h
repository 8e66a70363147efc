// The top of every thread the stub starts. An exception that leaves a
// thread's function ends the whole process (std::terminate): each thread body
// runs through RunGuarded, which logs it instead, and the thread's owner then
// decides what the failure means.
#pragma once
#include <functional>

namespace FuntionImpl {

// Runs work; true when it returned, false when it threw (logged with what).
bool RunGuarded(const char* what, const std::function<void()>& work);

}  // namespace FuntionImpl
