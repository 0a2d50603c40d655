// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace zarnik {

// A large block that is about to be filled asks the system for huge pages before any of
// it is touched. Loading means fresh memory, and on a virtual machine every fault on a
// small page costs as much as copying several pages: with huge pages, reading a 222 MB
// file into memory took a fraction of the time. Only whole pages inside the block are
// advised; the advice is a hint the system may ignore, and elsewhere there is none.
inline void AdviseHugePages([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::size_t kFrom = 8u << 20, kPage = 4096;
    if (bytes < kFrom)
        return;
    const auto from = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~std::uintptr_t(kPage - 1);
    const auto to = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~std::uintptr_t(kPage - 1);
    if (to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
}

// For vectors that grow large while a file loads.
template <typename T>
struct BigAllocator {
    using value_type = T;
    BigAllocator() = default;
    template <typename U>
    BigAllocator(const BigAllocator<U>&) noexcept
    {
    }
    T* allocate(std::size_t n)
    {
        if (n > SIZE_MAX / sizeof(T))
            throw std::bad_alloc();
        void* p = std::malloc(n * sizeof(T));
        if (!p)
            throw std::bad_alloc();
        AdviseHugePages(p, n * sizeof(T));
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t) noexcept { std::free(p); }
    friend bool operator==(const BigAllocator&, const BigAllocator&) { return true; }
};

}  // namespace zarnik
