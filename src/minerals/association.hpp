#pragma once
// One association as read from any input: the raw oxide analyses of the
// coexisting minerals of one sample, before formula recalculation.
#include <algorithm>
#include <array>
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

  void clear() {
    info.set("", "");
    sample.clear();
    ox.fill(OxideValues{});
    present.fill(false);
    niPpm.fill(0.0);
  }
};

}  // namespace mantlept
