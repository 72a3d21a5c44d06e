#include "ordered_work.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace gridwright {

void RunInOrder(std::int64_t count, unsigned threads,
                const std::function<FileResult(std::int64_t item, unsigned thread)>& work,
                const std::function<void(std::int64_t item, const FileResult& outcome)>& finished) {
    std::vector<std::optional<FileResult>> outcomes(static_cast<std::size_t>(count));
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::int64_t> next{0};
    std::atomic<bool> stop{false};

    const auto worker = [&](unsigned thread) {
        for (std::int64_t item = next++; item < count && !stop; item = next++) {
            FileResult outcome;
            try {
                outcome = work(item, thread);
            } catch (const std::exception& error) {
                outcome = FileResult::Failure(error.what());
            }
            const std::lock_guard lock(mutex);
            outcomes[item] = std::move(outcome);
            ready.notify_all();
        }
    };
    std::vector<std::jthread> pool;
    threads = static_cast<unsigned>(std::clamp<std::int64_t>(count, 1, std::max(threads, 1u)));
    for (unsigned thread = 0; thread < threads; ++thread) pool.emplace_back(worker, thread);

    for (std::int64_t item = 0; item < count; ++item) {
        FileResult outcome;
        {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return outcomes[item].has_value(); });
            outcome = std::move(*outcomes[item]);
        }
        if (!outcome) stop = true;
        finished(item, outcome);
        if (!outcome) break;
    }
}

}  // namespace gridwright
