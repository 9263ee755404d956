#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace tarvel {

// Memory for the large buffers of a run (the output buffer, the records read
// ahead, a grid's cells). New memory is handed over by the system one page
// at a time, at the first touch of each page; on a virtual machine such a
// fault costs some ten microseconds, more than the work done in the page.
// A block of PrefaultedBytes or more comes from operator new with all its
// pages asked for at once (about half the cost a page); its bytes are not
// set.

inline constexpr std::size_t PrefaultedBytes = 32 * 1024;

/// size bytes, all their pages present when size >= PrefaultedBytes;
/// throws std::bad_alloc when there is no memory.
void *AllocatePrefaulted(std::size_t size);
/// Gives back a block from AllocatePrefaulted (of that size).
void FreePrefaulted(void *block, std::size_t size) noexcept;

/// An allocator for containers of large blocks (a grid's cells).
template <typename T>
struct PrefaultedAllocator {
    using value_type = T;
    PrefaultedAllocator() = default;
    template <typename U>
    PrefaultedAllocator(const PrefaultedAllocator<U> &) noexcept
    {
    }
    T *allocate(std::size_t n)
    {
        if (n > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T *>(AllocatePrefaulted(n * sizeof(T)));
    }
    void deallocate(T *p, std::size_t n) noexcept { FreePrefaulted(p, n * sizeof(T)); }
    template <typename U>
    bool operator==(const PrefaultedAllocator<U> &) const noexcept
    {
        return true;
    }
};

/// A byte buffer of a fixed size, owned.
class PrefaultedBuffer {
public:
    PrefaultedBuffer() = default;
    explicit PrefaultedBuffer(std::size_t size)
        : m_data(static_cast<char *>(AllocatePrefaulted(size)))
        , m_size(size)
    {
    }
    PrefaultedBuffer(PrefaultedBuffer &&other) noexcept
        : m_data(other.m_data)
        , m_size(other.m_size)
    {
        other.m_data = nullptr;
        other.m_size = 0;
    }
    PrefaultedBuffer &operator=(PrefaultedBuffer &&other) noexcept
    {
        if (this != &other) {
            Release();
            m_data = other.m_data;
            m_size = other.m_size;
            other.m_data = nullptr;
            other.m_size = 0;
        }
        return *this;
    }
    PrefaultedBuffer(const PrefaultedBuffer &) = delete;
    PrefaultedBuffer &operator=(const PrefaultedBuffer &) = delete;
    ~PrefaultedBuffer() { Release(); }

    char *get() const { return m_data; }
    std::size_t size() const { return m_size; }
    explicit operator bool() const { return m_data != nullptr; }

private:
    void Release() noexcept
    {
        if (m_data != nullptr)
            FreePrefaulted(m_data, m_size);
        m_data = nullptr;
        m_size = 0;
    }
    char *m_data = nullptr;
    std::size_t m_size = 0;
};

} // namespace tarvel
