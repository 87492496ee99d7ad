#pragma once
// The peak memory a call takes, measured in a child process so that a call
// that asks for far too much cannot harm the test run. Under
// AddressSanitizer every allocation counts, whether its pages are touched
// or not; elsewhere the child's resident-set high-water mark is used.
#include <cstdint>
#include <functional>

namespace gwtest {
// Bytes above what the process held when the call started; the child stops
// (and the result is at least limit) as soon as the call passes limit, or,
// without the sanitizer, when an allocation fails for want of room.
// -1 when the call crashed or the child could not be started.
int64_t PeakMemoryOf(const std::function<void()>& call, int64_t limit = int64_t(512) << 20);
}  // namespace gwtest
