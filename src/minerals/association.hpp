#pragma once
// One association as read from any input: the raw oxide analyses of the
// coexisting minerals of one sample, before formula recalculation.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "minerals/mineral_types.hpp"

namespace mantlept {

// The name and description of an association as the fixed-column file holds
// them: 8 and 64 characters, blank-padded.
struct AssociationInfo {
  std::array<char, 8> name{};
  std::array<char, 64> description{};
  std::string_view nameText() const { return {name.data(), name.size()}; }
  std::string_view descriptionText() const { return {description.data(), description.size()}; }

  // Fills both fields from free text: cut to the field, padded with blanks.
  void set(std::string_view sampleName, std::string_view descriptionText) {
    name.fill(' ');
    description.fill(' ');
    std::copy_n(sampleName.begin(), std::min(sampleName.size(), name.size()), name.begin());
    std::copy_n(descriptionText.begin(), std::min(descriptionText.size(), description.size()),
                description.begin());
  }
};

struct Association {
  AssociationInfo info;  // fixed-width name and description
  std::string sample;    // the full sample name (tables are not cut to 8)
  std::array<OxideValues, kSlotCount> ox{};
  std::array<bool, kSlotCount> present{};  // slot holds an analysis
  std::array<double, kSlotCount> niPpm{};  // Ni in ppm as a table gave it; 0: none
  // Bit k (oxide k in the column order of OxideValues) of a slot: no analysis
  // of the slot determined the oxide (its cells were blank or its column
  // absent). A 0, bdl or negative cell is determined as 0. Inputs that cannot
  // tell a blank from a 0 (the fixed-column file) leave every bit clear.
  std::array<std::uint16_t, kSlotCount> undetermined{};

  bool determined(int slot, int oxide) const {
    return (undetermined[static_cast<std::size_t>(slot)] & (1u << oxide)) == 0;
  }

  void clear() {
    info.set("", "");
    sample.clear();
    ox.fill(OxideValues{});
    present.fill(false);
    niPpm.fill(0.0);
    undetermined.fill(0);
  }
};

}  // namespace mantlept
