#include "methods/catalogue.hpp"

#include <array>
#include <string>

namespace mantlept {

namespace {

constexpr std::string_view kBlankLabel = "                ";
constexpr std::string_view kBlankTag = "        ";

constexpr std::array<std::string_view, kLabelSlots> kThermometers = {
    "Fixed ToC       ", "Wells77(Cpx+Opx)", "WoodBanno73CpxOp", "Taylor 98Ilm MSt",
    "BertranMercier85", "Gaspar84(OpOlSp)", "BreyKohler90 2Px", "BreyKohler90 Opx",
    "BreyKohler90Na2P", "Hervig,Smith802P", "FinnertyBoyd86Cp", "SahtlebenSeckESO",
    "SahtlebenSeck En", "Mercier80 Cpx GF", "Mercier80 Opx GF", "Mercier80 Cpx SF",
    "Mercier80 Opx SF", "LinsleyDixon75Op", "LinsleyDixon85Cp", "NimisGrutter09GO",
    "ONeilWallDhPe Sp", "CreightonGar2008", "ONeilWood79 GaOl", "EllisGreen79CpGA",
    "Krogh 88 GaCpx  ", "Ai 94 Ga-Cpx    ", "Harley84 GaOpx  ", "SenBhatach84GaOP",
    "Kosyakova85GaOpx", "Avchenko88 GaOpx", "GriffinRyan NiGa", "Putirka96 Cpx- L",
    "GirnisStBrHP98ES", "TaylorEtAl98  OS", "TaylorEtAl98 OI ", "Taylor98 DiEn   ",
    "GrifCoRySu89NiGa", "NimisTaylor02Cpx", "Canil(NiOl)     ", "Dremmerhof,GaTOp",
    "Dremmerhof,GaTCp", "Dremmerhof,GaTKr", "NImisTayCpCor DR", "YaxleyONeil2008 ",
    "Hoog ea10Ol CrAl", "Hoog ea10Ol Cr  ", "Hoog ea10Ol Ca  ", kBlankLabel,
};

constexpr std::array<std::string_view, kLabelSlots> kBarometers = {
    "Fixed Pressure  ", "Wood 74 Opx-Gar ", "NickeGreen85GaOp", "Harley 84 Opx-Ga",
    "BreyKohle90GaOpx", "SimakovCPXGA2008", "NickeGreen85GaOP", "Nickel, 1989    ",
    "BreyBulatGir2007", "McGregor74 Opx  ", "Perkins 81 Opx  ", "PerkinNewton80Op",
    "DremmPelgrin2005", "DremmrhofPelg05H", "Mercier84OpxCpx ", "Ryan96 Crin Ga  ",
    "Dremmerhof2006Il", "PCaCrGar2008  Cr", "P Grutter Gr2006", "BreyKohlerCaOlCP",
    "BreNicKoh86GaCpx", "BreyKohler CaOl ", "Putirka96 LCpx  ", "Slavinsky OpxCpx",
    "Mercier80 Cpx GF", "Mercier80 Opx GF", "Mercier80 Cpx SF", "Mercier80 Opx SF",
    "NickelGreenCorr ", "NimisTAylor Cpx ", "Dremmerhof2001Cp", "Dremmerhof2012Cp",
    "Dremmerhof2009Ec", "Dremmerhof03GaP ", "Dremmerhof03GaP1", "Dremmerhof010aCp",
    "DremmerhofGa2009", "DremmerPelg2007I", "DremmerPelg2005I", "Pickles2011GACpx",
    "Hoog ea10Ol Al  ", "Hoog ea10Ol Cr  ", "Hoog ea10Ol Ca  ", kBlankLabel,
    kBlankLabel,        kBlankLabel,        kBlankLabel,        kBlankLabel,
};

// Methods numbered after the catalogue: thermometers 48, 49 and barometer 44.
constexpr std::array<std::string_view, kLastThermometer - kCatalogueThermometers>
    kThermometersBeyond = {"NimisTaylor2000T", "Nakamura2009GCpx"};
constexpr std::array<std::string_view, kLastBarometer - kCatalogueBarometers> kBarometersBeyond = {
    "NimisTaylor2000P"};

constexpr std::array<std::string_view, 9> kOxybarometerTags = {
    "FO2B&B91", "FO2N&W91", "FO2TOS98", "FO2TIS98", "FO2GWG95",
    "FO2DhC12", "FO2DhE12", "FO2DhG12", "aSiO2T98",
};

constexpr std::array<std::string_view, 10> kOxybarometerMenu = {
    " 0 - don't calculate FO2 ",
    " 1 - Ballhause C., Berry R.F., Green D.H.,1991 ",
    " 2 - Nell - Wood,1991",
    " 3 - Taylor, Kamperman, Hamilton, 1998, Ol-Sp",
    " 4 - Taylor, Kamperman, Hamilton, 1998, Ol-Ilm",
    " 5 - Gudmundsson, Wood 1995, Gar Gar-Ol-0px or mono",
    " 6 - Dremmerhof 2012, Cpx mono",
    " 7 - Dremmerhof 2012, Opx mono",
    " 8 - Dremmerhof 2012, Gar mono",
    " 9 - ASiO2 ,Taylor, KAmperman, HAmilton 1998 ",
};

std::string_view slotLabel(const std::array<std::string_view, kLabelSlots>& table, int number) {
  if (number < 1 || number > kLabelSlots) return kBlankLabel;
  return table[static_cast<std::size_t>(number - 1)];
}

// One menu cell: label, hyphen, number right-aligned in 2, one blank.
void appendCell(std::string& row, std::string_view label, int number) {
  row += label;
  row += '-';
  if (number < 10) row += ' ';
  row += std::to_string(number);
  row += ' ';
}

}  // namespace

std::string_view thermometerLabel(int number) { return slotLabel(kThermometers, number); }
std::string_view barometerLabel(int number) { return slotLabel(kBarometers, number); }

std::string_view commandThermometerLabel(int number) {
  if (number > kCatalogueThermometers && number <= kLastThermometer)
    return kThermometersBeyond[static_cast<std::size_t>(number - kCatalogueThermometers - 1)];
  return number > kLastThermometer ? kBlankLabel : thermometerLabel(number);
}

std::string_view commandBarometerLabel(int number) {
  if (number > kCatalogueBarometers && number <= kLastBarometer)
    return kBarometersBeyond[static_cast<std::size_t>(number - kCatalogueBarometers - 1)];
  return number > kLastBarometer ? kBlankLabel : barometerLabel(number);
}

std::string_view oxybarometerTag(int number) {
  if (number < 1 || number > 9) return kBlankTag;
  return kOxybarometerTags[static_cast<std::size_t>(number - 1)];
}

std::string_view ferricTag(int ferricOption) {
  return ferricOption == 2 ? "acc.FE3+" : "all FE2+";
}

void printMethodMenu(Terminal& out) {
  out.line(kMenuHeading);
  std::string row;
  for (int k = 1; k <= 24; ++k) {
    row.clear();
    row += ' ';
    appendCell(row, thermometerLabel(2 * k - 1), 2 * k - 1);
    appendCell(row, thermometerLabel(2 * k), 2 * k);
    appendCell(row, barometerLabel(2 * k - 1), 2 * k - 1);
    appendCell(row, barometerLabel(2 * k), 2 * k);
    out.line(row);
  }
  out.line(kMenuHeading);
}

void printOxybarometerMenu(Terminal& out) {
  out.line(" Number of oxybarometer ");
  for (std::string_view line : kOxybarometerMenu) out.line(line);
}

}  // namespace mantlept
