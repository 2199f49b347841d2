// The minerals each method's equation reads, which can be more than the
// dispatcher tests before calling it (the Ni-in-garnet thermometer against
// olivine is dispatched on olivine alone, yet reads the garnet's NiO). These
// sets decide which methods apply to a sample when every method is asked for
// at once; they never change what a method computes.
#include <array>

#include "methods/method_needs.hpp"

namespace mantlept {

namespace {

struct Reading {
  MineralSet minerals;
  // False for the entries that give no estimate of their own: a fixed value,
  // the previous result, or no equation at all.
  bool estimates = true;
};

constexpr Reading kFixed{MineralSet{}, false};
constexpr MineralSet kTwoPx = minerals(Opx, Cpx);
constexpr MineralSet kOpxGt = minerals(Opx, Gar);
constexpr MineralSet kCpxGt = minerals(Cpx, Gar);
constexpr MineralSet kOlSp = minerals(Ol, Sp);
constexpr MineralSet kOlGt = minerals(Ol, Gar);

// Slot k holds thermometer k. Olivine compositions the equation estimates
// from pressure or from another mineral (ilmenite, spinel) are not read.
constexpr std::array<Reading, 50> kThermometers = {{
    {},
    kFixed,                                     // 1 fixed temperature
    {kTwoPx}, {kTwoPx},                         // 2, 3
    {minerals(Ilm)},                            // 4 olivine estimated
    {kTwoPx},                                   // 5
    {minerals(Opx, Ol, Sp)},                    // 6
    {kTwoPx},                                   // 7
    {minerals(Opx)},                            // 8
    {kTwoPx},                                   // 9 Na of both pyroxenes
    {kTwoPx},                                   // 10
    {minerals(Cpx)},                            // 11
    {minerals(Opx, Ol, Sp)},                    // 12
    {minerals(Opx)},                            // 13
    {kTwoPx, false},                            // 14 previous result
    {minerals(Opx), false},                     // 15 previous result
    {minerals(Cpx), false},                     // 16 previous result
    {minerals(Opx), false},                     // 17 ends at once
    {minerals(Opx)},                            // 18
    {minerals(Cpx)},                            // 19
    {kOpxGt},                                   // 20
    {minerals(Sp)},                             // 21 olivine estimated
    {kOlGt},                                    // 22
    {kOlGt},                                    // 23
    {kCpxGt},                                   // 24
    {kCpxGt},                                   // 25 Mg, Ca of garnet and clinopyroxene
    {kCpxGt},                                   // 26
    {kOpxGt},                                   // 27 Fe of orthopyroxene
    {kOpxGt}, {kOpxGt},                         // 28, 29
    {minerals(Sp)},                             // 30 olivine estimated
    {minerals(Gar)},                            // 31
    {minerals(Cpx, Sp)},                        // 32 the liquid in the spinel slot
    {minerals(Opx, Sp)},                        // 33
    {minerals(Sp)},                             // 34 olivine estimated
    {minerals(Ilm)},                            // 35 olivine estimated
    {kTwoPx},                                   // 36
    {minerals(Gar)},                            // 37
    {minerals(Cpx)},                            // 38
    {kOlGt},                                    // 39 NiO of garnet and olivine
    {minerals(Gar)}, {minerals(Gar)}, {minerals(Gar)},  // 40-42 garnet oxides
    {minerals(Cpx)},                            // 43
    {kOlGt},                                    // 44 NiO of garnet and olivine
    {minerals(Ol)}, {minerals(Ol)}, {minerals(Ol)},  // 45-47 trace elements of olivine
    {minerals(Cpx)},                            // 48 single clinopyroxene
    {kCpxGt},                                   // 49 Fe-Mg of garnet and clinopyroxene
}};

// Slot k holds barometer k.
constexpr std::array<Reading, 45> kBarometers = {{
    {},
    kFixed,                                     // 1 fixed pressure
    {kOpxGt}, {kOpxGt}, {kOpxGt}, {kOpxGt},     // 2-5 Al in orthopyroxene with garnet
    {kCpxGt, false},                            // 6 no pressure equation
    {kOpxGt}, {kOpxGt}, {kOpxGt},               // 7-9
    {minerals(Opx)}, {minerals(Opx)}, {minerals(Opx)},  // 10-12
    {minerals(Sp)}, {minerals(Sp)},             // 13, 14
    {kTwoPx},                                   // 15
    {minerals(Gar)},                            // 16
    {minerals(Sp)},                             // 17
    {minerals(Gar)}, {minerals(Gar)},           // 18, 19
    {minerals(Ol, Cpx)},                        // 20
    {kCpxGt},                                   // 21
    {minerals(Ol)},                             // 22
    {minerals(Cpx, Sp)},                        // 23 the liquid in the spinel slot
    {minerals(Cpx)}, {minerals(Cpx)},           // 24, 25
    {minerals(Opx)},                            // 26
    {minerals(Cpx)},                            // 27
    {minerals(Opx)},                            // 28
    {kOpxGt},                                   // 29
    {minerals(Cpx)}, {minerals(Cpx)}, {minerals(Cpx)}, {minerals(Cpx)},  // 30-33
    {minerals(Gar)}, {minerals(Gar)},           // 34, 35
    {minerals(Cpx)},                            // 36
    {minerals(Gar)},                            // 37
    {minerals(Ilm)}, {minerals(Ilm)},           // 38, 39
    {kCpxGt},                                   // 40
    {minerals(Ol)},                             // 41
    {kOlSp},                                    // 42
    {minerals(Ol)},                             // 43 CaO of olivine
    {minerals(Cpx)},                            // 44 Cr of clinopyroxene
}};

template <std::size_t N>
const Reading* readingOf(const std::array<Reading, N>& table, int number) {
  if (number < 1 || static_cast<std::size_t>(number) >= N) return nullptr;
  return &table[static_cast<std::size_t>(number)];
}

const Reading* reading(MethodKind kind, int number) {
  switch (kind) {
    case MethodKind::Thermometer:
      return readingOf(kThermometers, number);
    case MethodKind::Barometer:
      return readingOf(kBarometers, number);
    case MethodKind::Oxybarometer:
      break;
  }
  return nullptr;
}

}  // namespace

std::optional<MineralSet> equationMinerals(MethodKind kind, int number) {
  const Reading* r = reading(kind, number);
  if (!r) return std::nullopt;
  return r->minerals;
}

bool givesEstimate(MethodKind kind, int number) {
  const Reading* r = reading(kind, number);
  return r != nullptr && r->estimates;
}

}  // namespace mantlept
