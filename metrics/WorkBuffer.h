#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Work memory of a numeric kernel. It is empty when the memory cannot be
// obtained, so that the kernel can report the failure through its result
// instead of throwing.
template <typename T> class CWorkBuffer {
public:
    explicit CWorkBuffer(std::size_t count)
        : data(count > SIZE_MAX / sizeof(T)
                   ? nullptr
                   : static_cast<T*>(std::malloc((count > 0 ? count : 1) * sizeof(T)))) {}
    CWorkBuffer(const CWorkBuffer&) = delete;
    CWorkBuffer& operator=(const CWorkBuffer&) = delete;
    ~CWorkBuffer() { std::free(data); }

    T* Get() const { return data; }
    explicit operator bool() const { return data != nullptr; }

private:
    T* data;
};

// Number of samples in a width x height image; 0 for a negative size.
inline std::size_t SampleCount(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}
