// The array-name table the program hands to INIDMS: name n is array number
// n, "" a number without a name.  Numbers 1..10 belong to the store itself.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace recall {

/// Array numbers the program's store is set up for.
inline constexpr int32_t kProgramArrayNumbers = 50;

/// The program's array names by number.
inline constexpr std::array<std::string_view, kProgramArrayNumbers> kProgramArrayNames = {
    "",       "",       "",       "",       "",       "",       "",       "",      "",
    "",       "MSTRU",  "MSCRA",  "TSCRA2", "ICTEXT", "MGLRES", "TGLRES", "",      "MATYP",
    "MELECC", "MELEX",  "MELGEO", "MELMAT", "MELTYP", "MGETYP", "MNPC",   "MNPEX", "MPEVEC",
    "MPMNPC", "TCOORD", "TCRGEO", "TFLE",   "TMAPA",  "TGEPA",  "",       "",      "",
    "",       "",       "",       "",       "",       "",       "",       "",      "",
    "",       "",       "",       "",       ""};

}  // namespace recall
