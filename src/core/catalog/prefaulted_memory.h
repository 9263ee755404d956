#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace tarvel {

// Memory for the large buffers of a run (the output buffer, the records read
// ahead, a grid's cells), its pages asked for at once: cheaper than one page
// fault each on a virtual machine (prefaulted_memory.cpp). A plain build
// (TARVEL_PLAIN_CODE) takes memory from operator new alone.

inline constexpr std::size_t PrefaultedBytes = 32 * 1024;

/// size bytes, all their pages present when size >= PrefaultedBytes;
/// throws std::bad_alloc when there is no memory. Given back with
/// operator delete.
void *AllocatePrefaulted(std::size_t size);

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
    void deallocate(T *p, std::size_t) noexcept { ::operator delete(p); }
    template <typename U>
    bool operator==(const PrefaultedAllocator<U> &) const noexcept
    {
        return true;
    }
};

/// A byte buffer (an output buffer, a block read ahead), owned.
struct PrefaultedDelete {
    void operator()(char *block) const noexcept { ::operator delete(block); }
};
using PrefaultedBuffer = std::unique_ptr<char[], PrefaultedDelete>;
inline PrefaultedBuffer MakePrefaultedBuffer(std::size_t size)
{
    return PrefaultedBuffer(static_cast<char *>(AllocatePrefaulted(size)));
}

} // namespace tarvel
