#pragma once
// A list that grows a chunk of elements at a time. Its elements never move,
// so a reference stays good while the list grows and growing copies nothing
// (a template compiles to millions of records); and an element is found by a
// shift and a mask, where a deque divides: the run reads its records many
// times over.

#include <cstddef>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace rtfreport {

template <typename T, unsigned ChunkBits>
class TRpChunkedList {
public:
    TRpChunkedList() = default;
    TRpChunkedList(const TRpChunkedList &) = delete;
    TRpChunkedList &operator=(const TRpChunkedList &) = delete;
    ~TRpChunkedList()
    {
        while (m_size > 0)
            pop_back();
    }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    T &operator[](std::size_t i) { return Chunk(i)[i & Mask]; }
    const T &operator[](std::size_t i) const { return Chunk(i)[i & Mask]; }
    // Bounds-checked, as std::vector::at.
    const T &at(std::size_t i) const
    {
        if (i >= m_size)
            throw std::out_of_range("TRpChunkedList: no element " + std::to_string(i));
        return (*this)[i];
    }
    T &at(std::size_t i) { return const_cast<T &>(std::as_const(*this).at(i)); }
    T &back() { return (*this)[m_size - 1]; }
    const T &back() const { return (*this)[m_size - 1]; }

    template <typename... Args>
    T &emplace_back(Args &&...args)
    {
        if ((m_size >> ChunkBits) == m_chunks.size())
            m_chunks.emplace_back(
                static_cast<T *>(::operator new(sizeof(T) << ChunkBits, std::align_val_t(alignof(T)))));
        T *slot = &Chunk(m_size)[m_size & Mask];
        new (slot) T(std::forward<Args>(args)...);
        ++m_size;
        return *slot;
    }
    void push_back(const T &value) { emplace_back(value); }
    void push_back(T &&value) { emplace_back(std::move(value)); }
    void pop_back()
    {
        --m_size;
        (*this)[m_size].~T();
    }

private:
    static constexpr std::size_t Mask = (std::size_t(1) << ChunkBits) - 1;

    struct Release {
        void operator()(T *chunk) const { ::operator delete(chunk, std::align_val_t(alignof(T))); }
    };
    using Storage = std::unique_ptr<T, Release>;

    T *Chunk(std::size_t i) const { return m_chunks[i >> ChunkBits].get(); }

    std::vector<Storage> m_chunks;  // raw memory; the first m_size elements are made
    std::size_t m_size = 0;
};

} // namespace rtfreport
