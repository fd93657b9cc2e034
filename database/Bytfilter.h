// Judging a text on its stored bytes: which classes of a candidate filter they carry.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

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
    bool vielleicht(const unsigned char* p, std::size_t n) const;

private:
    // The bytes that carry a class, with the case bit 0x20 set, and the
    // classes of all bytes that fold onto each; grobAnzahl < 0 when they are
    // too many for the quick test.
    struct alignas(16) Muster {
        std::uint8_t byte[16];  // one folded byte, sixteen times
    };
    std::array<Muster, 16> grobMuster_{};
    std::array<std::uint8_t, 16> grobKlassen_{};
    int grobAnzahl_ = -1;
};

}  // namespace Datenzugriff::Jet
