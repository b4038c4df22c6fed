// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace hv {

// A stored colour: low byte red, then green, then blue (0x800000 is dark blue).
using ColourValue = std::uint32_t;

constexpr ColourValue rgbValue(int red, int green, int blue)
{
    return static_cast<ColourValue>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int redOf(ColourValue c)
{
    return static_cast<int>(c & 0xFF);
}
constexpr int greenOf(ColourValue c)
{
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int blueOf(ColourValue c)
{
    return static_cast<int>((c >> 16) & 0xFF);
}

} // namespace hv
