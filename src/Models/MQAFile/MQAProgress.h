#pragma once

#include <atomic>
#include <cstdint>
#include <stdexcept>

// Thrown by a read that was asked to stop.
class MQACancelled : public std::runtime_error {
public:
    MQACancelled() : std::runtime_error("The reading was cancelled.") {}
};

// Follows a long read from another thread, and stops it on request: the reader records
// how many of the text's bytes it has read, and stops at its next record once cancel()
// was called. Safe to share between one reading thread and any number of watchers.
class MQAProgress {
public:
    uint64_t bytesRead() const { return _read.load(std::memory_order_relaxed); }
    uint64_t bytesTotal() const { return _total.load(std::memory_order_relaxed); }
    void cancel() { _cancelled.store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return _cancelled.load(std::memory_order_relaxed); }

    // For readers.
    void setTotal(uint64_t bytes) { _total.store(bytes, std::memory_order_relaxed); }
    // Notes how far reading got (never backwards); throws MQACancelled once cancelled.
    void reached(uint64_t bytes) {
        if (isCancelled()) throw MQACancelled();
        if (bytes > bytesRead()) _read.store(bytes, std::memory_order_relaxed);
    }

private:
    std::atomic<uint64_t> _read{0};
    std::atomic<uint64_t> _total{0};
    std::atomic<bool> _cancelled{false};
};
