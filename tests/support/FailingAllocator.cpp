#include "support/FailingAllocator.h"

#include <cstdlib>
#include <new>

namespace {

// 0: nothing fails.
thread_local std::size_t t_failFrom = 0;
thread_local int t_refused = 0;

} // namespace

namespace vellum::test {

TFailingAllocations::TFailingAllocations(std::size_t fromBytes)
    : m_previous(t_failFrom)
{
    t_failFrom = fromBytes > 0 ? fromBytes : 1;
    t_refused = 0;
}

TFailingAllocations::~TFailingAllocations()
{
    t_failFrom = m_previous;
}

int TFailingAllocations::Refused() const
{
    return t_refused;
}

} // namespace vellum::test

// The array and nothrow forms of the library call this one.
void* operator new(std::size_t size)
{
    if (t_failFrom != 0 && t_refused == 0 && size >= t_failFrom) {
        ++t_refused;
        throw std::bad_alloc();
    }
    for (;;) {
        if (void* block = std::malloc(size > 0 ? size : 1))
            return block;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr)
            throw std::bad_alloc();
        handler();
    }
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}
