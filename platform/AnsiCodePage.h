#pragma once

#include <cstdint>

// Texts in files and from the logger are single bytes in the Windows-1252 code page, which is
// Latin-1 except for the printable characters it puts at 0x80 to 0x9F (the euro sign, curly
// quotes, dashes ...). The Unicode code point of such a byte; the five codes the code page
// leaves unused stand for themselves, the C1 control characters of the same numbers.
inline char16_t CodePointOfAnsiByte(std::uint8_t byte) {
    static constexpr char16_t HIGH_CONTROLS[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return byte >= 0x80 && byte < 0xA0 ? HIGH_CONTROLS[byte - 0x80] : char16_t{byte};
}
