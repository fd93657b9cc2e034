// Judging a text on its stored bytes: which classes of a candidate filter they carry.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Datenzugriff::Jet {

// A candidate filter's classes by byte, for judging a text on its stored
// bytes: a text lacks a class when none of its bytes carries it.
struct Bytfilter {
    std::array<std::uint8_t, 256> klassen{};  // the classes each byte carries
    std::uint8_t alle = 0;                     // the classes a candidate holds

    // Builds the quick test from klassen and alle.
    void vorbereiten();
    // Whether the bytes carry every class: exact, one lookup per byte.
    bool enthaeltAlle(const unsigned char* p, std::size_t n) const
    {
        std::uint8_t gesehen = 0;
        for (std::size_t i = 0; i < n; ++i)
            gesehen |= klassen[p[i]];
        return (gesehen & alle) == alle;
    }
    // The same question answered coarsely, sixteen bytes at a time: false
    // only where enthaeltAlle is false; true may be wrong. It reads whole
    // blocks: the Reserve bytes behind the text must be readable (they may
    // let a text through, never keep one out).
    static constexpr std::size_t Reserve = 32;
    bool vielleicht(const unsigned char* p, std::size_t n) const
    {
#if defined(__SSE2__)
        if (grobAnzahl_ < 0)
            return true;
        const __m128i fall = _mm_set1_epi8(0x20);
        const auto block = [&](std::size_t i) {
            return _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), fall);
        };
        // One block for a text of up to 16 bytes, else two blocks each time.
        std::uint8_t gesehen = 0;
        const auto klassenIn = [&](auto gleich) {
            for (int k = 0; k < grobAnzahl_; ++k) {
                const __m128i m = _mm_load_si128(reinterpret_cast<const __m128i*>(grobMuster_[std::size_t(k)].byte));
                gesehen |= std::uint8_t(grobKlassen_[std::size_t(k)] & -std::uint8_t(_mm_movemask_epi8(gleich(m)) != 0));
            }
        };
        if (n <= 16) {
            const __m128i a = block(0);
            klassenIn([&](__m128i m) { return _mm_cmpeq_epi8(a, m); });
        } else {
            for (std::size_t i = 0; i < n; i += 32) {
                const __m128i a = block(i), b = block(i + 16);
                klassenIn([&](__m128i m) { return _mm_or_si128(_mm_cmpeq_epi8(a, m), _mm_cmpeq_epi8(b, m)); });
            }
        }
        return (gesehen & grobAlle_) == grobAlle_;
#else
        return enthaeltAlle(p, n);
#endif
    }

private:
    // The rarest classes, the bytes that carry one of them with the case bit
    // 0x20 set, and the classes of all bytes that fold onto each;
    // grobAnzahl < 0 when they are too many for the quick test.
    std::uint8_t grobAlle_ = 0;
    struct alignas(16) Muster {
        std::uint8_t byte[16];  // one folded byte, sixteen times
    };
    std::array<Muster, 16> grobMuster_{};
    std::array<std::uint8_t, 16> grobKlassen_{};
    int grobAnzahl_ = -1;
};

}  // namespace Datenzugriff::Jet
