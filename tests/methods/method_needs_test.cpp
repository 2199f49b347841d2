// The needs listed beside each method are what decides that an association is
// incomplete for it: taking away any one listed mineral from a full
// association fails the method before it writes anything.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "core/terminal.hpp"
#include "methods/barometers/barometers.hpp"
#include "methods/method_needs.hpp"
#include "methods/oxybarometers/oxybarometers.hpp"
#include "methods/thermometers/thermometers.hpp"
#include "minerals/formula.hpp"
#include "minerals/site_parameters.hpp"

namespace mantlept {
namespace {

// A garnet lherzolite with spinel and picroilmenite: every slot filled (wt%:
// SiO2 TiO2 Al2O3 Cr2O3 FeO MnO MgO CaO Na2O K2O NiO Fe2O3).
RunState fullAssociation() {
  const OxideValues opx{57.52f, 0.10f, 0.82f, 0.36f, 4.92f, 0.12f, 34.61f, 0.95f, 0.21f, 0, 0.12f, 0};
  const OxideValues cpx{54.85f, 0.26f, 2.21f, 1.52f, 2.81f, 0.09f, 17.42f, 18.63f, 1.93f, 0, 0.05f, 0};
  const OxideValues ol{40.93f, 0, 0.02f, 0.03f, 8.31f, 0.11f, 50.24f, 0.06f, 0, 0, 0.38f, 0};
  const OxideValues sp{0.08f, 0.12f, 55.5f, 11.5f, 10.8f, 0.10f, 20.5f, 0, 0, 0, 0.35f, 0};
  const OxideValues gar{42.05f, 0.31f, 20.52f, 4.33f, 6.92f, 0.33f, 20.91f, 5.02f, 0.05f, 0, 0.01f, 0};
  const OxideValues ilm{0.05f, 49.5f, 0.6f, 1.2f, 35.0f, 0.3f, 12.0f, 0, 0, 0, 0.2f, 0};
  const OxideValues slots[kSlotCount] = {opx, cpx, ol, sp, gar, gar, ilm};
  RunState s;
  for (int k = 0; k < kSlotCount; ++k) {
    const Recalculation r = recalculate(slots[k], k + 1, false);
    s.ox[static_cast<std::size_t>(k)] = r.ox;
    s.cat[static_cast<std::size_t>(k)] = r.cat;
  }
  StringTerminal out;
  computeSiteParameters(s.cat, s.site, out);
  s.T = 1300.0f;
  s.P = 30.0f;
  s.TK = 1250.0f;
  s.fO2 = 5.0f;
  return s;
}

void remove(RunState& s, Slot slot) {
  s.ox[slot] = {};
  s.cat[slot] = {};
}

// Runs method `number` of `kind`; true when it reports the association incomplete
// (for an oxybarometer: no value, the combination standing).
bool incomplete(MethodKind kind, int number, RunState& s) {
  StringTerminal out;
  switch (kind) {
    case MethodKind::Thermometer:
      return runThermometer(number, s) == ThermometerOutcome::NotComplete;
    case MethodKind::Barometer:
      return runBarometer(number, s) == BarometerOutcome::NotComplete;
    case MethodKind::Oxybarometer:
      return runOxybarometer(number, s, out) == OxybarometerOutcome::Value && s.fO2 == 0.0f;
  }
  return false;
}

TEST(MethodNeeds, EachNeededMineralTakenAwayFailsTheMethodBeforeAnyWrite) {
  const RunState full = fullAssociation();
  for (int k = 0; k < kSlotCount; ++k) ASSERT_TRUE(mineralPresent(full, static_cast<Slot>(k))) << k;
  int checked = 0;
  for (MethodKind kind : {MethodKind::Thermometer, MethodKind::Barometer, MethodKind::Oxybarometer}) {
    for (const MethodInfo& m : allMethods(kind)) {
      for (int k = 0; k < kSlotCount; ++k) {
        const Slot slot = static_cast<Slot>(k);
        if (!m.needs.has(slot)) continue;
        SCOPED_TRACE(std::string(m.label) + " without " + mineralNames(minerals(slot)));
        RunState s = full;
        remove(s, slot);
        RunState before = s;
        before.fO2 = kind == MethodKind::Oxybarometer ? 0.0f : before.fO2;
        EXPECT_TRUE(incomplete(kind, m.number, s));
        EXPECT_EQ(std::memcmp(&before, &s, sizeof(RunState)), 0) << "written";
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 60);
}

TEST(MethodNeeds, PresenceByTheMainCationOfEachMineral) {
  RunState s = fullAssociation();
  s.cat[Opx].Si = 1e-07f;  // at the threshold: absent
  s.cat[Sp].Si = 0.0f;     // spinel goes by its Al
  s.cat[Ilm].Si = 0.0f;    // ilmenite by its Ti
  EXPECT_FALSE(mineralPresent(s, Opx));
  EXPECT_TRUE(mineralPresent(s, Sp));
  EXPECT_TRUE(mineralPresent(s, Ilm));
  s.cat[Sp].Al = 1e-07f;
  s.cat[Ilm].Ti = 0.0f;
  EXPECT_FALSE(mineralPresent(s, Sp));
  EXPECT_FALSE(mineralPresent(s, Ilm));
}

TEST(MethodNeeds, ListingOfEveryNumberedMethod) {
  // The catalogue's 47, 43 and 9, and the methods numbered after it.
  EXPECT_EQ(allMethods(MethodKind::Thermometer).size(), 49u);
  EXPECT_EQ(allMethods(MethodKind::Barometer).size(), 44u);
  EXPECT_EQ(allMethods(MethodKind::Oxybarometer).size(), 9u);
  EXPECT_FALSE(methodInfo(MethodKind::Thermometer, 50));
  EXPECT_FALSE(methodInfo(MethodKind::Barometer, 45));
  EXPECT_FALSE(methodInfo(MethodKind::Oxybarometer, 0));

  const MethodInfo t28 = *methodInfo(MethodKind::Thermometer, 28);
  EXPECT_EQ(t28.label, "SenBhatach84GaOP");
  EXPECT_EQ(mineralNames(t28.needs), "Opx + Gt");
  EXPECT_EQ(methodInfo(MethodKind::Thermometer, 44)->label, "YaxleyONeil2008");
  EXPECT_EQ(methodInfo(MethodKind::Oxybarometer, 2)->label, "FO2N&W91");
  EXPECT_EQ(mineralNames(methodInfo(MethodKind::Oxybarometer, 2)->needs), "Opx + Ol + Sp");
  EXPECT_EQ(mineralNames(MineralSet{}), "none");
  for (int number : {31, 36, 39, 44}) {
    EXPECT_NE(methodInfo(MethodKind::Thermometer, number)->note.find("corrected"),
              std::string_view::npos) << number;
  }
  EXPECT_NE(methodInfo(MethodKind::Thermometer, 37)->note.find("doubtful"), std::string_view::npos);
  EXPECT_NE(methodInfo(MethodKind::Barometer, 21)->note.find("doubtful"), std::string_view::npos);
  EXPECT_NE(methodInfo(MethodKind::Oxybarometer, 5)->note.find("doubtful"), std::string_view::npos);
}

// The result of a thermometer (TK) or barometer (P) on `s`, none without one.
std::optional<Real> resultOf(MethodKind kind, int number, RunState s) {
  if (kind == MethodKind::Thermometer) {
    if (runThermometer(number, s) == ThermometerOutcome::NotComplete) return std::nullopt;
    return s.TK;
  }
  if (runBarometer(number, s) == BarometerOutcome::NotComplete) return std::nullopt;
  return s.P;
}

// The minerals an equation reads are all it reads: any other mineral taken
// away (its site parameters worked again) leaves the result as it was.
TEST(EquationMinerals, MineralsOutsideTheEquationChangeNothing) {
  const RunState full = fullAssociation();
  int checked = 0;
  for (MethodKind kind : {MethodKind::Thermometer, MethodKind::Barometer}) {
    for (const MethodInfo& m : allMethods(kind)) {
      const std::optional<Real> before = resultOf(kind, m.number, full);
      if (!before) continue;
      for (int k = 0; k < kSlotCount; ++k) {
        const Slot slot = static_cast<Slot>(k);
        if (m.equation.has(slot)) continue;
        SCOPED_TRACE(std::string(m.label) + " without " + mineralNames(minerals(slot)));
        RunState s = full;
        remove(s, slot);
        StringTerminal out;
        computeSiteParameters(s.cat, s.site, out);
        const std::optional<Real> after = resultOf(kind, m.number, s);
        ASSERT_TRUE(after.has_value());
        EXPECT_EQ(*after, *before);
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 300);
}

TEST(EquationMinerals, EveryListedMethodHasThemAndTheyHoldItsNeeds) {
  for (MethodKind kind : {MethodKind::Thermometer, MethodKind::Barometer}) {
    for (const MethodInfo& m : allMethods(kind)) {
      SCOPED_TRACE(m.label);
      ASSERT_TRUE(equationMinerals(kind, m.number).has_value());
      EXPECT_EQ(m.equation.bits & m.needs.bits, m.needs.bits);
    }
  }
  // Methods whose own presence test is less than what they read.
  struct Case {
    MethodKind kind;
    int number;
    const char* equation;
  };
  const Case cases[] = {
      {MethodKind::Thermometer, 25, "Cpx + Gt"}, {MethodKind::Thermometer, 9, "Opx + Cpx"},
      {MethodKind::Thermometer, 39, "Ol + Gt"},  {MethodKind::Thermometer, 44, "Ol + Gt"},
      {MethodKind::Thermometer, 27, "Opx + Gt"}, {MethodKind::Barometer, 5, "Opx + Gt"},
      {MethodKind::Barometer, 42, "Ol + Sp"},    {MethodKind::Thermometer, 30, "Sp"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(mineralNames(methodInfo(c.kind, c.number)->equation), c.equation) << c.number;
  // The fixed values, previous results and the entry without an equation
  // give no estimate of their own.
  for (int t : {1, 14, 15, 16, 17}) EXPECT_FALSE(givesEstimate(MethodKind::Thermometer, t)) << t;
  for (int b : {1, 6}) EXPECT_FALSE(givesEstimate(MethodKind::Barometer, b)) << b;
  EXPECT_TRUE(givesEstimate(MethodKind::Thermometer, 36));
  EXPECT_FALSE(givesEstimate(MethodKind::Oxybarometer, 1));
}

}  // namespace
}  // namespace mantlept
