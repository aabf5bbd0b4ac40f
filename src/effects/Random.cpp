#include "effects/Random.h"

namespace zelvo::effects {
namespace {

std::uint32_t gRandSeed = 0;

}  // namespace

std::uint32_t RandSeed() { return gRandSeed; }

void SetRandSeed(std::uint32_t seed) { gRandSeed = seed; }

int Random(int n) {
    gRandSeed = gRandSeed * 134775813u + 1u;
    if (n <= 0) return 0;
    return int((std::uint64_t(gRandSeed) * std::uint32_t(n)) >> 32);
}

}  // namespace zelvo::effects
