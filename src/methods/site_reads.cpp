#include "methods/site_reads.hpp"

#include <array>

namespace mantlept {

namespace {

// Site parameters read before the method writes them (a value it computes
// for itself is not listed); slot k holds method k.
constexpr std::array<std::string_view, 48> kThermometers = {{
    "",  // none
    "",  // 1
    "XMg_Cpx, XMg_Opx",  // 2
    "",  // 3
    "",  // 4
    "XFe_Cpx",  // 5
    "CrNo_Sp, AlM1_Opx, XAl2_Sp, XMgM1_Opx",  // 6
    "XCa_Cpx, XCa_Opx, XFe_Cpx, XFe_Opx",  // 7
    "",  // 8
    "",  // 9
    "",  // 10
    "",  // 11
    "CrNo_Sp, AlM1_Opx, XAl2_Sp, XMgM1_Opx",  // 12
    "",  // 13
    "",  // 14
    "",  // 15
    "",  // 16
    "",  // 17
    "",  // 18
    "",  // 19
    "XCa_Gar, XMn_Gar",  // 20
    "XFe_Sp, CrNo_Sp",  // 21
    "XFe_Ol",  // 22
    "FeNo_Gar, XFe_Ol, XMg_Gar, XFe_Gar, XCa_Gar",  // 23
    "XCa_Gar",  // 24
    "FeNo_Gar, XFe_Cpx, XCa_Gar",  // 25
    "XCa_Gar, XFe_Cpx",  // 26
    "XCa_Gar",  // 27
    "XFe_Gar, XMg_Gar, XCa_Gar",  // 28
    "XMgM1_Opx, XFeM1_Opx, XFe_Gar, XMg_Gar, XCa_Gar, XCr_Gar",  // 29
    "CrNo_Sp",  // 30
    "",  // 31
    "",  // 32
    "AlM1_Opx, XCr_Sp, XCrM1_Opx, XAl_Sp, XFe_Opx, XFe_Sp, XFeM1_Opx, XMgM1_Opx",  // 33
    "XFe_Sp, XFe3_Sp, XTi_Sp, XCr_Sp",  // 34
    "",  // 35
    "",  // 36
    "",  // 37
    "",  // 38
    "",  // 39
    "",  // 40
    "",  // 41
    "",  // 42
    "",  // 43
    "",  // 44
    "",  // 45
    "",  // 46
    "",  // 47
}};

constexpr std::array<std::string_view, 44> kBarometers = {{
    "",  // none
    "",  // 1
    "AlM1_Opx, XCa_Gar, XAl_Gar, XMg_Opx",  // 2
    "FM1_Opx, XCa_Gar, XAl_Gar, FM2_Opx, XCr_Gar, XMgM1_Opx, XFe_Gar, XFeM1_Opx",  // 3
    "XMg_Gar, XFe_Opx, XMg_Opx, XCa_Gar, XFe_Gar",  // 4
    "AlM1_Opx, XCa_Gar, XAl_Gar, AlT_Opx, FM2_Opx, FM1_Opx, XFeM1_Opx, XMgM1_Opx, XFe_Gar, XCr_Gar",  // 5
    "",  // 6
    "XMg_Gar, XCa_Gar, XFe_Gar",  // 7
    "XMgM2_Opx, XMgM1_Opx",  // 8
    "AlM1_Opx, XCa_Gar, XAl_Gar, AlT_Opx, FM2_Opx, FM1_Opx, XFeM1_Opx, XMgM1_Opx, XFe_Gar, XCr_Gar",  // 9
    "",  // 10
    "",  // 11
    "",  // 12
    "CrNo_Sp",  // 13
    "CrNo_Sp",  // 14
    "",  // 15
    "XCa_Gar",  // 16
    "XAl2_Sp",  // 17
    "",  // 18
    "",  // 19
    "",  // 20
    "XCa_Gar",  // 21
    "",  // 22
    "",  // 23
    "",  // 24
    "",  // 25
    "",  // 26
    "",  // 27
    "",  // 28
    "FM1_Opx, XCa_Gar, XAl_Gar, FM2_Opx, XCr_Gar, XMgM1_Opx, XFe_Gar, XFeM1_Opx",  // 29
    "",  // 30
    "Fe3_Cpx",  // 31
    "Fe3_Cpx",  // 32
    "Fe3_Cpx",  // 33
    "Ex1_Gar, FeNo_Gar",  // 34
    "Ex1_Gar, FeNo_Gar",  // 35
    "Fe3_Cpx",  // 36
    "Ex1_Gar, FeNo_Gar",  // 37
    "",  // 38
    "",  // 39
    "",  // 40
    "",  // 41
    "",  // 42
    "",  // 43
}};

constexpr std::array<std::string_view, 10> kOxybarometers = {{
    "",  // none
    "XFe_Ol, Fe3R_Sp, XFe_Sp, XAl2_Sp",  // 1
    "XFe_Ol, XFeM2_Opx, XFeM1_Opx",  // 2
    "XFe_Ol, XFe3_Sp, XFe_Sp, XAl_Sp, XTi_Sp",  // 3
    "XFe_Ol",  // 4
    "FeNo_Gar",  // 5
    "",  // 6
    "XFe_Opx",  // 7
    "",  // 8
    "XFe_Ol",  // 9
}};

template <std::size_t N>
std::string_view at(const std::array<std::string_view, N>& table, int number) {
  if (number < 1 || static_cast<std::size_t>(number) >= N) return {};
  return table[static_cast<std::size_t>(number)];
}

}  // namespace

std::string_view siteParametersRead(MethodKind kind, int number) {
  switch (kind) {
    case MethodKind::Thermometer:
      return at(kThermometers, number);
    case MethodKind::Barometer:
      return at(kBarometers, number);
    case MethodKind::Oxybarometer:
      break;
  }
  return at(kOxybarometers, number);
}

}  // namespace mantlept
