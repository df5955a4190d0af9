#pragma once

#include <juce_core/juce_core.h>

#include <array>
#include <atomic>
#include <type_traits>

// Hands the newest of a stream of values from one producer thread to one consumer thread,
// whole: a triple buffer. Neither side ever waits, locks or allocates; a value the consumer has
// not taken yet is simply replaced by a newer one. The consumer owns the slot it took until its
// next take, so a value is never overwritten while it is being read.
template <typename Value>
class LatestValueMailbox
{
    static_assert (std::is_trivially_copyable_v<Value>, "slots are copied as plain values");

public:
    LatestValueMailbox() = default;

    // Producer side only.
    void publish (const Value& value) noexcept
    {
        slots[(size_t) backIndex] = value;
        const auto previous = middle.exchange (backIndex | freshFlag, std::memory_order_acq_rel);
        backIndex = previous & indexMask;
    }

    // Consumer side only. True, with `destination` filled, when a value was published since the
    // last take.
    bool take (Value& destination) noexcept
    {
        if ((middle.load (std::memory_order_relaxed) & freshFlag) == 0)
            return false;

        const auto previous = middle.exchange (frontIndex, std::memory_order_acq_rel);
        frontIndex = previous & indexMask;
        destination = slots[(size_t) frontIndex];
        return true;
    }

private:
    static constexpr int indexMask = 3;
    static constexpr int freshFlag = 4;

    std::array<Value, 3> slots {};
    std::atomic<int> middle { 1 };
    int backIndex = 0;  // producer's own
    int frontIndex = 2; // consumer's own

    static_assert (std::atomic<int>::is_always_lock_free);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LatestValueMailbox)
};
