#pragma once
// A contiguous growable array with the catalogue's own growth policy: capacity grows by half
// (at least to size + 1), up to a fixed maximum. Growth copies every element into new storage
// and only then lets the old storage go, so a copy that throws leaves the array as it was.

#include <cstddef>
#include <memory>
#include <new>
#include <stdexcept>

namespace voxa {

template <typename T, std::size_t MaxSize> class GrowableArray {
  public:
    GrowableArray() = default;
    GrowableArray(const GrowableArray&) = delete;
    GrowableArray& operator=(const GrowableArray&) = delete;
    ~GrowableArray() { Clear(); }

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    static constexpr std::size_t max_size() { return MaxSize; }
    T& operator[](std::size_t position) { return data_[position]; }
    const T& operator[](std::size_t position) const { return data_[position]; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

    // The capacity that the next growth from `capacity` gives when `size` elements are held.
    static std::size_t GrownCapacity(std::size_t capacity, std::size_t size) {
        if (capacity > MaxSize - capacity / 2)
            return size + 1;
        const std::size_t grown = capacity + capacity / 2;
        return grown < size + 1 ? size + 1 : grown;
    }

    void PushBack(const T& value) {
        if (size_ == MaxSize)
            throw std::length_error("GrowableArray too long");
        if (size_ < capacity_) {
            new (data_ + size_) T(value);
            ++size_;
            return;
        }
        const std::size_t newCapacity = GrownCapacity(capacity_, size_);
        T* fresh = static_cast<T*>(::operator new(newCapacity * sizeof(T)));
        std::size_t made = 0;
        try {
            // The new element first: `value` may refer into the old storage.
            new (fresh + size_) T(value);
            try {
                for (; made < size_; ++made)
                    new (fresh + made) T(data_[made]);
            } catch (...) {
                fresh[size_].~T();
                throw;
            }
        } catch (...) {
            std::destroy(fresh, fresh + made);
            ::operator delete(fresh);
            throw;
        }
        T* old = data_;
        const std::size_t oldSize = size_;
        data_ = fresh;
        capacity_ = newCapacity;
        size_ = oldSize + 1;
        std::destroy(old, old + oldSize);
        ::operator delete(old);
    }

    // Destroys the elements from first to last and frees the storage.
    void Clear() {
        std::destroy(data_, data_ + size_);
        ::operator delete(data_);
        data_ = nullptr;
        size_ = capacity_ = 0;
    }

  private:
    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace voxa
