#pragma once

// A zero-filled array for the large scratch tables of a computation (tens of megabytes,
// read at random). Tables from 2 MiB up are anonymous memory in huge pages, faulted in at
// once: the kernel hands them out zeroed, and such a table costs a few page faults and TLB
// entries instead of one per 4 KiB (on a virtual machine, most of the time of a random
// lookup and of a first touch). Smaller tables, and any table where huge pages are not
// available, are ordinary memory. T must be trivially copyable, all bits zero being its
// empty value.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>
#include <type_traits>
#include <utility>

namespace views {

template <typename T> class ZeroedTable
{
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    ZeroedTable() = default;
    explicit ZeroedTable(std::size_t size) { allocate(size); }
    ~ZeroedTable() { release(); }
    ZeroedTable(ZeroedTable&& other) noexcept { *this = std::move(other); }
    ZeroedTable& operator=(ZeroedTable&& other) noexcept
    {
        if (this != &other) {
            release();
            m_data = std::exchange(other.m_data, nullptr);
            m_size = std::exchange(other.m_size, 0);
            m_bytes = std::exchange(other.m_bytes, 0);
        }
        return *this;
    }
    ZeroedTable(const ZeroedTable&) = delete;
    ZeroedTable& operator=(const ZeroedTable&) = delete;

    std::size_t size() const { return m_size; }
    T& operator[](std::size_t i) { return m_data[i]; }
    const T& operator[](std::size_t i) const { return m_data[i]; }
    T* begin() { return m_data; }
    T* end() { return m_data + m_size; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_size; }

  private:
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;

    void allocate(std::size_t size)
    {
        if (size == 0)
            return;
        if (size * sizeof(T) < kHugePage) { // small: ordinary memory
            m_data = static_cast<T*>(std::calloc(size, sizeof(T)));
            if (!m_data)
                throw std::bad_alloc();
            m_size = size;
            return;
        }
        // Whole huge pages, so that the kernel can back all of it with them.
        const std::size_t bytes = (size * sizeof(T) + kHugePage - 1) / kHugePage * kHugePage;
        // Mapped with room to spare and trimmed to a huge-page boundary at both ends.
        void* mapped = ::mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
            throw std::bad_alloc();
        auto* raw = static_cast<char*>(mapped);
        const std::size_t head =
            (kHugePage - reinterpret_cast<std::uintptr_t>(raw) % kHugePage) % kHugePage;
        if (head)
            ::munmap(raw, head);
        ::munmap(raw + head + bytes, kHugePage - head);
        void* p = raw + head;
#ifdef MADV_HUGEPAGE
        ::madvise(p, bytes, MADV_HUGEPAGE); // a hint; refused, the table still works
#endif
#ifdef MADV_POPULATE_WRITE
        ::madvise(p, bytes, MADV_POPULATE_WRITE); // all faults at once; refused, one by one
#endif
        m_data = static_cast<T*>(p);
        m_size = size;
        m_bytes = bytes;
    }

    void release()
    {
        if (m_data && m_bytes)
            ::munmap(m_data, m_bytes);
        else
            std::free(m_data);
        m_data = nullptr;
        m_size = 0;
        m_bytes = 0;
    }

    T* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_bytes = 0;
};

} // namespace views
