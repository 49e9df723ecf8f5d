#include "driver/structure.h"

#include <algorithm>
#include <array>
#include <string>

#include "dms/name_code.h"
#include "platform/units.h"
#include "textio/textio.h"

namespace driver {
namespace {

// Positions 1..132 of the built-in parameter table; 133..200 are unused.
constexpr int32_t kNamedPositions = 132;
constexpr std::array<std::string_view, kNamedPositions> kParameterNames = {
    "NNP   ", "NEL   ", "NBEAM ", "NSPRNG", "NSHELL", "NDAMEL", "NDEL  ", "NIMPG ",  // 1..8
    "NMA   ", "DENTSW", "NGE   ", "NLDCS ", "NLC   ", "NTRANS", "NROT  ", "NECC  ",  // 9..16
    "NLDP  ", "NCEQ  ", "NMMCEQ", "NTOTBR", "NOLGRP", "NOLBRA", "NSURNP", "NLOADS",  // 17..24
    "NCNODS", "NLCOMB", "NEQ   ", "NTK   ", "NBW   ", "NSHSIZ", "MXELNP", "MXLDCS",  // 25..32
    "MX2DEL", "MXNPEL", "MXELIE", "MXMAPR", "MXGEPR", "MXELRE", "MXELRX", "MXSTEP",  // 33..40
    "MXLSPC", "MXGLPR", "MXLDPR", "MXHIPR", "MXFARR", "MXLDS ", "MXCNDS", "MXLCMB",  // 41..48
    "MXLDCX", "LSTSTO", "NTRAN1", "NLDCS1", "NTEMP1", "MXHAPR", "NLC1  ", "MXWLPR",  // 49..56
    "NEWFRA", "NFRACT", "NEWSTR", "NJOINT", "NJNTNP", "MXELHI", "NWMNPC", "NQUAD ",  // 57..64
    "NSHIP ", "MXRSCP", "NSHPCH", "MXARPR", "MXNAMS", "MXZYB ", "MXEIG ", "MXTPEL",  // 65..72
    "NEIG  ", "MXTHPR", "MXDPPR", "MXSTA1", "MXSTA2", "MXSTA3", "IHJHAN", "ISOLVR",  // 73..80
    "NWSOL ", "NSTDIM", "LCSTAT", "LCDYNA", "NWEVEC", "NWESEL", "INCRST", "INCRES",  // 81..88
    "INCPRI", "MXUTIL", "ITMAX ", "ITER  ", "IEPSIT", "NSHL3 ", "NSHL4 ", "MXTHST",  // 89..96
    "NEWLTY", "NLOHST", "NTHIST", "NMOVNP", "NPOLY ", "NPART ", "MXVXPR", "IUNFC ",  // 97..104
    "IWINDW", "      ", "      ", "      ", "      ", "MXSTRU", "NELRES", "NNPRES",  // 105..112
    "      ", "      ", "      ", "INPUFO", "NELZON", "NNPZON", "IADDEX", "NSOLI8",  // 113..120
    "NSCHAR", "NQUAD8", "NTRI6 ", "NDAMP ", "NNPMAS", "NTHERM", "NELLOA", "NNPLOA",  // 121..128
    "NEL70 ", "NNOD70", "LENS70", "NAMD  ",                                          // 129..132
};
constexpr std::string_view kUnusedPosition = "      ";

// Length of the compared part of a name in the fixed layout.
constexpr std::size_t kComparedLength = 6;
// Length of a parameter name as passed and of an indexed-table name.
constexpr std::size_t kNameLength = 8;

// Words 1..5 of a name-indexed table, before its name codes.
constexpr int64_t kTableHeader = 5;

// Word k of a view, 0 outside it.
int32_t word(dms::Vec1<int32_t> v, int64_t k) {
  return v.contains(k) ? v(k) : 0;
}

void report_missing(std::string_view name, int unit, int32_t& status) {
  platform::write_record(unit, "");
  platform::write_record(unit, "  *** ERROR IN GTSTRU ***");
  platform::write_record(unit, "      PARAMETER NOT FOUND:" + textio::fixed(name, kNameLength));
  platform::write_record(unit, "      LEAVING GTSTRU");
  for (int k = 0; k < 3; ++k) platform::write_record(unit, "");
  --status;
}

int32_t fixed_position(std::string_view name) {
  const std::string compared = textio::fixed(name, kComparedLength);
  for (int32_t p = 1; p <= kStructureParameters; ++p) {
    if (structure_parameter_name(p) == compared) return p;
  }
  return 0;
}

}  // namespace

std::string_view structure_parameter_name(int32_t position) {
  if (position < 1 || position > kStructureParameters) return {};
  if (position > kNamedPositions) return kUnusedPosition;
  return kParameterNames[static_cast<std::size_t>(position - 1)];
}

void index_name_code(std::string_view name, int32_t& first, int32_t& second) {
  name = name.substr(0, std::min(name.size(), kNameLength));
  first = dms::code_word(name.substr(0, std::min<std::size_t>(name.size(), 4)));
  second = name.size() > 4 ? dms::code_word(name.substr(4)) : 0;
}

int32_t IDXIST(dms::Vec1<int32_t> table, std::string_view name) {
  const int32_t last = textio::LENTRM(name);
  const int32_t first_char = textio::FSTCHR(name);
  int32_t code1 = -1;
  int32_t code2 = -1;
  if (last >= 1 && last <= static_cast<int32_t>(kNameLength)) {
    std::string buffer = textio::fixed(name.substr(static_cast<std::size_t>(first_char - 1),
                                                   static_cast<std::size_t>(last - first_char + 1)),
                                       kNameLength);
    if (word(table, 4) == 1) {
      for (char& c : buffer) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      }
    }
    index_name_code(textio::trimmed(buffer), code1, code2);
  }
  if (code1 < 0 || code2 < 0) {
    const int32_t unit_word = word(table, 2);
    const int unit = unit_word > 0 ? unit_word : platform::kScreen;
    platform::write_record(unit, "");
    platform::write_record(unit, "  *** ERROR IN IDXIST  ***");
    platform::write_record(unit, "");
    platform::write_record(unit, "    Identifier length = 0 or > 8: " +
                                     std::string(name.substr(0, static_cast<std::size_t>(last))));
    return 0;
  }
  // Only the name codes that lie inside the view are searched.
  const int64_t held = word(table, 3);
  const int64_t in_view = (table.size() - kTableHeader) / 2;
  const int64_t searched = std::min(held, in_view);
  for (int64_t i = 1; i <= searched; ++i) {
    if (table(2 * i + 4) == code1 && table(2 * i + 5) == code2) return static_cast<int32_t>(i);
  }
  return 0;
}

int32_t GTSTRU(dms::Vec1<int32_t> mstru, std::string_view name, int unit, int32_t& status) {
  const int64_t length = mstru.size();
  if (length < 1 || mstru(1) >= 0) {
    // Fixed layout: a name outside the table is silently 0.
    const int32_t p = fixed_position(name);
    if (p == 0) return 0;
    if (p > length) {
      report_missing(name, unit, status);
      return 0;
    }
    return mstru(p);
  }

  // Indexed layout: the table at word c+1 must lie inside MSTRU with its
  // header and every name code it claims to hold.
  const int64_t offset = word(mstru, 2);
  if (offset < 0 || offset + kTableHeader > length) {
    report_missing(name, unit, status);
    return 0;
  }
  const dms::Vec1<int32_t> table = mstru.sub(offset + 1, length - offset);
  const int64_t held = table(3);
  if (held > 0 && offset + kTableHeader + 2 * held > length) {
    report_missing(name, unit, status);
    return 0;
  }
  const int32_t p = IDXIST(table, name);
  if (p == 0) {
    if (table(5) == 0) report_missing(name, unit, status);
    return 0;
  }
  if (p > length) {
    report_missing(name, unit, status);
    return 0;
  }
  return mstru(p);
}

}  // namespace driver
