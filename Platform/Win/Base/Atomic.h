#pragma once
// A value read and written atomically (sequentially consistent), for the
// members that threads share in headers many files include: it needs no
// standard library header, unlike std::atomic, and offers the operations
// those members use (plain reads and writes, exchange, increment and
// decrement of integers).

namespace win {

template <typename T> class Atomic {
public:
    constexpr Atomic(T value = T{}) noexcept : m_value(value) {}
    Atomic(const Atomic&) = delete;
    Atomic& operator=(const Atomic&) = delete;

    T load() const noexcept
    {
        T value;
        __atomic_load(&m_value, &value, __ATOMIC_SEQ_CST);
        return value;
    }
    void store(T value) noexcept { __atomic_store(&m_value, &value, __ATOMIC_SEQ_CST); }
    T exchange(T value) noexcept
    {
        T previous;
        __atomic_exchange(&m_value, &value, &previous, __ATOMIC_SEQ_CST);
        return previous;
    }

    operator T() const noexcept { return load(); }
    T operator=(T value) noexcept
    {
        store(value);
        return value;
    }
    T operator++() noexcept { return __atomic_add_fetch(&m_value, 1, __ATOMIC_SEQ_CST); }
    T operator--() noexcept { return __atomic_sub_fetch(&m_value, 1, __ATOMIC_SEQ_CST); }

private:
    T m_value;
};

} // namespace win
