#pragma once

// The one hook a long reading stage has for progress and cancelling: every so much work
// it calls reached() with how far it got, which reports that where it is wanted and
// throws MQACancelled once the reading is to stop.

#include <atomic>
#include <cstdint>

#include "MQAProgress.h"

namespace mqa {

class Checkpoint {
public:
    // Reports to `progress` when `reports`, else only looks at whether it was cancelled;
    // without a progress, does nothing.
    explicit Checkpoint(MQAProgress* progress = nullptr, bool reports = true)
        : _progress(progress), _reports(reports) {}
    // For work done beside `outer`'s (the second half of a block): reports nothing, and
    // stops too once `unwanted` is set.
    Checkpoint(const Checkpoint& outer, const std::atomic<bool>& unwanted)
        : _progress(outer._progress), _reports(false), _unwanted(&unwanted) {}

    void reached(uint64_t offset) const {
        if (_unwanted && _unwanted->load(std::memory_order_relaxed)) throw MQACancelled();
        if (!_progress) return;
        if (_reports)
            _progress->reached(offset);
        else if (_progress->isCancelled())
            throw MQACancelled();
    }

private:
    MQAProgress* _progress;
    bool _reports;
    const std::atomic<bool>* _unwanted = nullptr;
};

}  // namespace mqa
