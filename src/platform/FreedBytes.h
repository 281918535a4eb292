#pragma once

#include <QtGlobal>

#include <atomic>

// What a removal has freed so far, in allocated bytes: its walkers add to it as they go, and
// anyone may read it meanwhile from another thread (a progress bar) or afterwards (what a cleanup
// recovered).
class FreedBytes {
public:
    void add(qint64 bytes) { m_bytes.fetch_add(bytes, std::memory_order_relaxed); }
    qint64 total() const { return m_bytes.load(std::memory_order_relaxed); }

private:
    std::atomic<qint64> m_bytes{0};
};
