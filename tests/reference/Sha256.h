#pragma once
// SHA-256 for comparing decoded pixels with the corpus reference digests.

#include <cstdint>
#include <span>
#include <string>

namespace zelvo::test {

/// The SHA-256 of `data` as 64 lower-case hex digits.
std::string Sha256Hex(std::span<const std::uint8_t> data);

}  // namespace zelvo::test
