#pragma once

#include <array>
#include <cstdint>

// A colour as the palette and the graph picture name it.
struct CRgb {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    bool operator==(const CRgb&) const = default;
};

// The fourteen named colours the graph draws with and the colour picker lists; the main window
// stores indexes into this palette.
struct CNamedColor {
    const char* Name;
    CRgb Rgb;
};

inline constexpr std::array<CNamedColor, 14> COLOR_TABLE{{
    {"Red", {255, 0, 0}},
    {"Green", {0, 255, 0}},
    {"Blue", {0, 0, 255}},
    {"Yellow", {255, 255, 0}},
    {"Magenta", {255, 0, 255}},
    {"Cyan", {0, 255, 255}},
    {"Dark Red", {128, 0, 0}},
    {"Dark Green", {0, 128, 0}},
    {"Dark Blue", {0, 0, 128}},
    {"Dark Yellow", {128, 128, 0}},
    {"Dark Magenta", {128, 0, 128}},
    {"Dark Cyan", {0, 128, 128}},
    {"White", {255, 255, 255}},
    {"Black", {0, 0, 0}},
}};

// Drawn for an index beyond the palette, which only a hand-edited settings file can hold:
// a mid grey stays visible on every palette background.
inline constexpr CRgb FALLBACK_COLOR{128, 128, 128};

constexpr CRgb ColorTable(std::uint32_t index) {
    return index < COLOR_TABLE.size() ? COLOR_TABLE[index].Rgb : FALLBACK_COLOR;
}

// Palette indexes of the three graph colours, as the main window keeps them ("BGColor",
// "TColor", "GRIDColor").
struct CGraphColorIndexes {
    std::uint8_t Background = 13;
    std::uint8_t Curve = 0;
    std::uint8_t Grid = 2;

    bool operator==(const CGraphColorIndexes&) const = default;
};
