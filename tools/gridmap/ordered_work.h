// Work on all cores, with the outcomes taken in order: for a batch of pictures that each take a
// few milliseconds to draw and compress, and whose paths and progress are reported in order.
#pragma once

#include <cstdint>
#include <functional>

#include "map_file.h"

namespace gridwright {

// Runs work(item, thread) for items 0 to count - 1 on up to `threads` threads (thread is 0 to
// threads - 1, so each thread can keep its own buffers), and hands each outcome to
// finished(item, outcome) on the calling thread in the order of the items. Stops at the first
// failure in that order: finished sees it and nothing after it, and no new item starts.
void RunInOrder(std::int64_t count, unsigned threads,
                const std::function<FileResult(std::int64_t item, unsigned thread)>& work,
                const std::function<void(std::int64_t item, const FileResult& outcome)>& finished);

}  // namespace gridwright
