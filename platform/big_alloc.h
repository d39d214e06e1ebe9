#pragma once

// An allocator for the large tables of a load and a refresh (tens or hundreds of
// megabytes): they are placed on 2 MiB boundaries and the kernel is asked for huge pages,
// so that touching them for the first time costs one fault per 2 MiB instead of one per
// 4 KiB, which on a virtual machine is most of the time spent filling them.

#include <cstddef>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace platform {

inline constexpr std::size_t kHugePage = std::size_t(2) << 20;

inline void* allocateBig(std::size_t bytes)
{
    if (bytes < kHugePage)
        return ::operator new(bytes);
    const std::size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (!p)
        throw std::bad_alloc();
    ::madvise(p, rounded, MADV_HUGEPAGE); // a hint: without huge pages it works all the same
    return p;
}

inline void freeBig(void* p, std::size_t bytes)
{
    if (bytes < kHugePage)
        ::operator delete(p);
    else
        std::free(p);
}

template <typename T> struct BigAllocator
{
    using value_type = T;
    BigAllocator() = default;
    template <typename U> BigAllocator(const BigAllocator<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(allocateBig(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) { freeBig(p, n * sizeof(T)); }
    template <typename U> bool operator==(const BigAllocator<U>&) const { return true; }
};

} // namespace platform
