#pragma once
// The fixed, numbered vocabulary of methods: thermometer and barometer labels
// (16 characters), oxybarometer tags and ferric tags (8 characters), and the
// two menus of the opening dialogue.
#include <string_view>

#include "core/terminal.hpp"

namespace mantlept {

inline constexpr int kLabelSlots = 48;

// The dialogue's catalogue: the methods its menu offers and its numbers
// resolve to (any other number runs thermometer 1, barometer 2, oxybarometer 1).
inline constexpr int kCatalogueThermometers = 47;
inline constexpr int kCatalogueBarometers = 43;
inline constexpr int kCatalogueOxybarometers = 9;

// The methods the commands reach: the catalogue's and those numbered after it.
inline constexpr int kLastThermometer = 49;
inline constexpr int kLastBarometer = 44;

// Label of thermometer / barometer `number` in the dialogue's catalogue: the
// 16-character slot text for 1..48 (blank slots included), 16 blanks for any
// other number.
std::string_view thermometerLabel(int number);
std::string_view barometerLabel(int number);

// The label the commands show: the catalogue's for its numbers, the
// 16-character label of a method numbered after the catalogue, 16 blanks for
// any other number.
std::string_view commandThermometerLabel(int number);
std::string_view commandBarometerLabel(int number);

// Tag of oxybarometer `number` (1..9); 8 blanks for 0 and any other number.
std::string_view oxybarometerTag(int number);

// "all FE2+" for ferric option 1 (off), "acc.FE3+" for 2 (on).
std::string_view ferricTag(int ferricOption);

// The heading line of the method menu.
inline constexpr std::string_view kMenuHeading =
    "                Termometers                  Barometers";

// Heading line, 24 rows of labels with their numbers, heading line.
void printMethodMenu(Terminal& out);

// " Number of oxybarometer " and the ten choices.
void printOxybarometerMenu(Terminal& out);

}  // namespace mantlept
