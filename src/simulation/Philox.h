#pragma once
// Batches of the counter-based generator Philox4x32-10 (Random123) for the simulation's
// long-period draws: the words of 64 consecutive counters at a time.

#include <cstdint>

namespace sim::philox {

inline constexpr int BatchCounters = 64;
inline constexpr int BatchWords = 4 * BatchCounters;

// Word j of Philox4x32-10 for the counter (n + i, stream) under the key (key, 0), into
// out[4 i + j], for i = 0 .. BatchCounters - 1. A counter's four 32-bit words are n's
// low and high half, then the stream's. Uses the processor's vector unit (AVX-512 or
// AVX2) when it has one, with the same result.
void Batch(std::uint32_t key, std::uint64_t stream, std::uint64_t n, std::uint32_t* out);

// The ways Batch can take; the tests compare each one the processor has with the
// reference.
enum class Path { Reference, Avx2, Avx512 };
bool Available(Path path);
void BatchWith(Path path, std::uint32_t key, std::uint64_t stream, std::uint64_t n,
               std::uint32_t* out);

} // namespace sim::philox
