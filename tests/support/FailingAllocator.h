#pragma once

#include <cstddef>

namespace vellum::test {

// While one lives, the next operator new of at least the given size on this thread raises
// std::bad_alloc, as when memory runs short for one large block; the rest (the clean-up after
// the failure) succeed. Linking FailingAllocator.cpp into a test program replaces the global
// operator new for all of it; without a live scope nothing fails. Pixel blocks come from malloc
// and never fail this way; undo records, snapshots and other containers do.
class TFailingAllocations {
public:
    explicit TFailingAllocations(std::size_t fromBytes);
    ~TFailingAllocations();
    TFailingAllocations(const TFailingAllocations&) = delete;
    TFailingAllocations& operator=(const TFailingAllocations&) = delete;

    // The allocations refused so far (0 or 1).
    [[nodiscard]] int Refused() const;

private:
    std::size_t m_previous;
};

} // namespace vellum::test
