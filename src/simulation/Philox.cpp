// Batches of Philox4x32-10: Random123's reference code one counter at a time, and the
// same rounds on 8 counters per register (AVX2: 32-bit lanes; AVX-512: 64-bit lanes, which
// need no permutation per round), with several registers side by side so that their rounds
// overlap. A draw of the simulation costs only a few nanoseconds, so the generator's share
// matters: the vector paths make a word about three (AVX2) and five (AVX-512) times faster
// than the reference.

#include "simulation/Philox.h"

#include <Random123/philox.h>

#if defined(__GNUC__) && defined(__x86_64__)
#define PELZAMO_PHILOX_X86 1
#include <immintrin.h>
#endif

namespace sim::philox {

namespace {

constexpr int Rounds = 10;

void BatchReference(std::uint32_t key, std::uint64_t stream, std::uint64_t n, std::uint32_t* out) {
    using Philox = r123::Philox4x32_R<Rounds>;
    const Philox philox;
    const Philox::key_type k = {{key, 0}};
    for (int i = 0; i < BatchCounters; ++i) {
        const std::uint64_t counter = n + static_cast<std::uint64_t>(i);
        const Philox::ctr_type c = {
            {static_cast<std::uint32_t>(counter), static_cast<std::uint32_t>(counter >> 32),
             static_cast<std::uint32_t>(stream), static_cast<std::uint32_t>(stream >> 32)}};
        const Philox::ctr_type words = philox(c, k);
        for (int j = 0; j < 4; ++j)
            out[4 * i + j] = words.v[j];
    }
}

#ifdef PELZAMO_PHILOX_X86

// The round constants of Philox4x32 (Random123's PHILOX_M4x32_0/1 and PHILOX_W32_0/1).
constexpr std::uint32_t M0 = 0xD2511F53u;
constexpr std::uint32_t M1 = 0xCD9E8D57u;
constexpr std::uint32_t W0 = 0x9E3779B9u;
constexpr std::uint32_t W1 = 0xBB67AE85u;

int Int(std::uint32_t word) {
    return static_cast<int>(word);
}

// The low and high words of the counters n .. n + Lanes - 1.
template <int Lanes> struct CounterWords {
    alignas(64) std::uint32_t low[Lanes];
    alignas(64) std::uint32_t high[Lanes];
    explicit CounterWords(std::uint64_t n) {
        for (int i = 0; i < Lanes; ++i) {
            const std::uint64_t counter = n + static_cast<std::uint64_t>(i);
            low[i] = static_cast<std::uint32_t>(counter);
            high[i] = static_cast<std::uint32_t>(counter >> 32);
        }
    }
};

// --- AVX2: eight counters per register ---------------------------------------------------

// The 64-bit products a * m of eight lanes, split into high and low words.
__attribute__((target("avx2"))) inline void MulHiLo(__m256i a, __m256i m, __m256i& hi,
                                                    __m256i& lo) {
    const __m256i even = _mm256_mul_epu32(a, m);                       // lanes 0, 2, 4, 6
    const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(a, 32), m); // lanes 1, 3, 5, 7
    hi = _mm256_blend_epi32(_mm256_srli_epi64(even, 32), odd, 0xAA);
    lo = _mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xAA);
}

// Counters per call: the state of 32 counters fills the sixteen registers.
constexpr int Avx2Counters = 32;
static_assert(BatchCounters % Avx2Counters == 0);

__attribute__((target("avx2"))) void BatchAvx2(std::uint32_t key, std::uint64_t stream,
                                               std::uint64_t n, std::uint32_t* out) {
    constexpr int Groups = Avx2Counters / 8;
    const CounterWords<Avx2Counters> counters(n);
    __m256i c0[Groups], c1[Groups], c2[Groups], c3[Groups];
    for (int g = 0; g < Groups; ++g) {
        c0[g] = _mm256_load_si256(reinterpret_cast<const __m256i*>(counters.low + 8 * g));
        c1[g] = _mm256_load_si256(reinterpret_cast<const __m256i*>(counters.high + 8 * g));
        c2[g] = _mm256_set1_epi32(Int(static_cast<std::uint32_t>(stream)));
        c3[g] = _mm256_set1_epi32(Int(static_cast<std::uint32_t>(stream >> 32)));
    }
    const __m256i m0 = _mm256_set1_epi32(Int(M0));
    const __m256i m1 = _mm256_set1_epi32(Int(M1));
    std::uint32_t k0 = key;
    std::uint32_t k1 = 0;
    for (int round = 0; round < Rounds; ++round) {
        const __m256i key0 = _mm256_set1_epi32(Int(k0));
        const __m256i key1 = _mm256_set1_epi32(Int(k1));
        for (int g = 0; g < Groups; ++g) {
            __m256i hi0, lo0, hi1, lo1;
            MulHiLo(c0[g], m0, hi0, lo0);
            MulHiLo(c2[g], m1, hi1, lo1);
            c0[g] = _mm256_xor_si256(_mm256_xor_si256(hi1, c1[g]), key0);
            c1[g] = lo1;
            c2[g] = _mm256_xor_si256(_mm256_xor_si256(hi0, c3[g]), key1);
            c3[g] = lo0;
        }
        k0 += W0;
        k1 += W1;
    }
    // Each register holds one word of eight counters; write them counter by counter.
    for (int g = 0; g < Groups; ++g) {
        const __m256i t0 = _mm256_unpacklo_epi32(c0[g], c1[g]); // counters 0, 1 | 4, 5
        const __m256i t1 = _mm256_unpackhi_epi32(c0[g], c1[g]); // counters 2, 3 | 6, 7
        const __m256i t2 = _mm256_unpacklo_epi32(c2[g], c3[g]);
        const __m256i t3 = _mm256_unpackhi_epi32(c2[g], c3[g]);
        const __m256i u0 = _mm256_unpacklo_epi64(t0, t2); // counter 0 | 4
        const __m256i u1 = _mm256_unpackhi_epi64(t0, t2); // counter 1 | 5
        const __m256i u2 = _mm256_unpacklo_epi64(t1, t3); // counter 2 | 6
        const __m256i u3 = _mm256_unpackhi_epi64(t1, t3); // counter 3 | 7
        auto* to = reinterpret_cast<__m256i*>(out + 32 * g);
        _mm256_storeu_si256(to + 0, _mm256_permute2x128_si256(u0, u1, 0x20));
        _mm256_storeu_si256(to + 1, _mm256_permute2x128_si256(u2, u3, 0x20));
        _mm256_storeu_si256(to + 2, _mm256_permute2x128_si256(u0, u1, 0x31));
        _mm256_storeu_si256(to + 3, _mm256_permute2x128_si256(u2, u3, 0x31));
    }
}

// --- AVX-512: sixteen counters per register ----------------------------------------------

// GCC 12's AVX-512 intrinsics initialise their unused source operand from itself, which
// -Wuninitialized reports at every use.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"

// Eight counters per register, one 32-bit word in the low half of each 64-bit lane: one
// multiplication gives a lane's whole product, its high word one shift away, and the high
// halves, which the multiplications ignore, may hold anything until the words are written.
constexpr int Avx512Counters = 32; // per pass: the state of 32 counters in 16 registers
static_assert(BatchCounters % Avx512Counters == 0);

__attribute__((target("avx512f"))) void BatchAvx512(std::uint32_t key, std::uint64_t stream,
                                                    std::uint64_t n, std::uint32_t* out) {
    constexpr int Groups = Avx512Counters / 8;
    constexpr int Xor3 = 0x96; // a ^ b ^ c as a ternary-logic table
    const __m512i first = _mm512_set_epi64(7, 6, 5, 4, 3, 2, 1, 0);
    __m512i c0[Groups], c1[Groups], c2[Groups], c3[Groups];
    for (int g = 0; g < Groups; ++g) {
        const __m512i counter = _mm512_add_epi64(
            _mm512_set1_epi64(static_cast<long long>(n + 8 * static_cast<std::uint64_t>(g))),
            first);
        c0[g] = counter;
        c1[g] = _mm512_srli_epi64(counter, 32);
        c2[g] = _mm512_set1_epi32(Int(static_cast<std::uint32_t>(stream)));
        c3[g] = _mm512_set1_epi32(Int(static_cast<std::uint32_t>(stream >> 32)));
    }
    const __m512i m0 = _mm512_set1_epi32(Int(M0));
    const __m512i m1 = _mm512_set1_epi32(Int(M1));
    std::uint32_t k0 = key;
    std::uint32_t k1 = 0;
    for (int round = 0; round < Rounds; ++round) {
        const __m512i key0 = _mm512_set1_epi32(Int(k0));
        const __m512i key1 = _mm512_set1_epi32(Int(k1));
        for (int g = 0; g < Groups; ++g) {
            const __m512i p0 = _mm512_mul_epu32(c0[g], m0);
            const __m512i p1 = _mm512_mul_epu32(c2[g], m1);
            c0[g] = _mm512_ternarylogic_epi32(_mm512_srli_epi64(p1, 32), c1[g], key0, Xor3);
            c1[g] = p1;
            c2[g] = _mm512_ternarylogic_epi32(_mm512_srli_epi64(p0, 32), c3[g], key1, Xor3);
            c3[g] = p0;
        }
        k0 += W0;
        k1 += W1;
    }
    // Lane i of w01 holds words 0 and 1 of counter i, of w23 words 2 and 3; interleave
    // them counter by counter.
    const __m512i firstHalf = _mm512_set_epi64(11, 3, 10, 2, 9, 1, 8, 0);
    const __m512i secondHalf = _mm512_set_epi64(15, 7, 14, 6, 13, 5, 12, 4);
    for (int g = 0; g < Groups; ++g) {
        const __m512i w01 = _mm512_mask_shuffle_epi32(c0[g], 0xAAAA, c1[g], _MM_PERM_CCAA);
        const __m512i w23 = _mm512_mask_shuffle_epi32(c2[g], 0xAAAA, c3[g], _MM_PERM_CCAA);
        std::uint32_t* to = out + 32 * g;
        _mm512_storeu_si512(to, _mm512_permutex2var_epi64(w01, firstHalf, w23));
        _mm512_storeu_si512(to + 16, _mm512_permutex2var_epi64(w01, secondHalf, w23));
    }
}

#pragma GCC diagnostic pop

#endif

// The fastest path this processor has, chosen once.
Path Fastest() {
    if (Available(Path::Avx512)) return Path::Avx512;
    if (Available(Path::Avx2)) return Path::Avx2;
    return Path::Reference;
}

} // namespace

bool Available(Path path) {
    switch (path) {
    case Path::Reference:
        return true;
#ifdef PELZAMO_PHILOX_X86
    case Path::Avx2:
        return __builtin_cpu_supports("avx2");
    case Path::Avx512:
        return __builtin_cpu_supports("avx512f");
#else
    case Path::Avx2:
    case Path::Avx512:
        return false;
#endif
    }
    return false;
}

void BatchWith(Path path, std::uint32_t key, std::uint64_t stream, std::uint64_t n,
               std::uint32_t* out) {
    switch (path) {
#ifdef PELZAMO_PHILOX_X86
    case Path::Avx512:
        for (int i = 0; i < BatchCounters; i += Avx512Counters)
            BatchAvx512(key, stream, n + static_cast<std::uint64_t>(i), out + 4 * i);
        return;
    case Path::Avx2:
        for (int i = 0; i < BatchCounters; i += Avx2Counters)
            BatchAvx2(key, stream, n + static_cast<std::uint64_t>(i), out + 4 * i);
        return;
#else
    case Path::Avx512:
    case Path::Avx2:
#endif
    case Path::Reference:
        BatchReference(key, stream, n, out);
        return;
    }
}

void Batch(std::uint32_t key, std::uint64_t stream, std::uint64_t n, std::uint32_t* out) {
    static const Path fastest = Fastest();
    BatchWith(fastest, key, stream, n, out);
}

} // namespace sim::philox
