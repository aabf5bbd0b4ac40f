#pragma once
// The program's pseudo-random generator: one 32-bit state for the whole
// process, starting at 0. The effects that scatter or add noise draw from it
// in a fixed order, so that a run from the same state gives the same picture
// bit for bit. The process-wide state is not thread-safe; an effect that
// draws on another thread takes a TRandomStream positioned where the
// one-thread run would be (RandSeedAfter) and sets the state afterwards.

#include <cstdint>

namespace zelvo::effects {

namespace detail {
/// The state itself; use RandSeed, SetRandSeed and Random.
inline std::uint32_t gRandSeed = 0;
}  // namespace detail

/// The generator's state.
inline std::uint32_t RandSeed() { return detail::gRandSeed; }
/// Sets the state (0 is the state at start-up); the slide show's random
/// order reseeds it from the clock.
inline void SetRandSeed(std::uint32_t seed) { detail::gRandSeed = seed; }

/// Advances the state to state x 134775813 + 1 (mod 2^32) and returns
/// (state x n) shr 32 computed as an unsigned 64-bit product: a value in
/// 0..n - 1. Random(0) (and a negative n) also advances the state and
/// returns 0, so an effect draws the same count of numbers whatever values
/// come out.
inline int Random(int n) {
    detail::gRandSeed = detail::gRandSeed * 134775813u + 1u;
    if (n <= 0) return 0;
    return int((std::uint64_t(detail::gRandSeed) * std::uint32_t(n)) >> 32);
}

/// A private copy of the generator: the same draws from the same state.
struct TRandomStream {
    std::uint32_t Seed = 0;
    int Next(int n) {
        Seed = Seed * 134775813u + 1u;
        if (n <= 0) return 0;
        return int((std::uint64_t(Seed) * std::uint32_t(n)) >> 32);
    }
};

/// The state `draws` draws after `seed`, without drawing them: the step
/// x -> a x + 1 composed with itself by squaring.
inline std::uint32_t RandSeedAfter(std::uint32_t seed, std::uint64_t draws) {
    std::uint32_t mul = 134775813u, add = 1u;      // one step
    std::uint32_t totalMul = 1u, totalAdd = 0u;    // the steps taken so far
    for (; draws != 0; draws >>= 1) {
        if (draws & 1) {
            totalMul *= mul;
            totalAdd = totalAdd * mul + add;
        }
        add = add * mul + add;
        mul *= mul;
    }
    return seed * totalMul + totalAdd;
}

}  // namespace zelvo::effects
