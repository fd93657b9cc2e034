#pragma once
// Windows-1252, the one table of the program: the text of Jet 3 files, the
// registry's ANSI strings and the protocol. Only 0x80-0x9F differ from
// Latin-1; the five gaps map to the C1 controls of the same number, as
// Windows does, so every byte survives a round trip. Header-only and free
// of Qt, so that the data layer may use it without the window libraries.

#include <array>

namespace Windows1252 {

// The characters of the bytes 0x80-0x9F.
inline constexpr std::array<char16_t, 32> mitte = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t zeichen(unsigned char b) { return b >= 0x80 && b < 0xA0 ? mitte[b - 0x80] : char16_t(b); }

// The byte of a character, or -1 when the code page has none.
constexpr int byteVon(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (std::size_t i = 0; i < mitte.size(); ++i)
        if (mitte[i] == c)
            return int(0x80 + i);
    return -1;
}

}  // namespace Windows1252
