#pragma once
// Small PNG pictures made on the spot: the stand-in store's app icons.

#include <cstdint>
#include <string>

namespace standin {

// A 64 x 64 picture of one colour.
std::string SolidPng(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// A 64 x 64 app icon: a rounded square (transparent corners) shaded from a
// colour picked by `seed` to a darker one, with a light bar across; the same
// seed always gives the same icon, different seeds mostly different colours.
std::string IconPng(std::uint32_t seed);

}  // namespace standin
