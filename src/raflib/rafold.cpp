// Opening a RAF file: RAFOLD, RAFNEW, their name rule RFFNAM, and RFFIOP,
// which takes a slot of the file table and connects the unit.
#include <algorithm>
#include <cctype>

#include "platform/units.h"
#include "raflib/chkey.h"
#include "raflib/raflib.h"
#include "raflib/state.h"
#include "textio/textio.h"

namespace raflib {
namespace {

constexpr std::size_t kNameWidth = 255;

std::string default_name(int32_t ifile) {
  std::string digits = textio::int_field(ifile, 3);
  std::replace(digits.begin(), digits.end(), ' ', '0');
  return "raf" + digits + ".raf";
}

// The name the open used, handed back in the caller's variable: blank-padded
// to its length, or longer when the name would not fit in it.
void return_name(std::string& name, std::string_view used) {
  const std::string_view text = textio::trimmed(used);
  name = textio::fixed(text, std::max(name.size(), text.size()));
}

// Status word of a first letter N, O or U (either case); empty otherwise.
std::string_view status_word(std::string_view status) {
  if (status.empty()) return {};
  switch (std::toupper(static_cast<unsigned char>(status.front()))) {
    case 'N':
      return "NEW";
    case 'O':
      return "OLD";
    case 'U':
      return "UNKNOWN";
    default:
      return {};
  }
}

}  // namespace

void RFFNAM(std::string& name, int32_t ifile) {
  const int32_t first = textio::FSTCHR(name);
  if (first == 0) {
    name = textio::fixed(default_name(ifile), std::max(name.size(), std::size_t{10}));
    return;
  }
  name = textio::fixed(std::string_view(name).substr(static_cast<std::size_t>(first - 1)),
                       name.size());
}

void RAFOLD(int32_t ifile, std::string& name, int32_t& ierr) {
  ierr = 0;
  std::string work = textio::fixed(name, kNameWidth);
  RFFNAM(work, ifile);
  RFFIOP(work, ifile, "OLD", ierr);
  if (ierr >= 0) {
    return_name(name, work);
    RFIOLD(ifile, ierr);
  }
  if (ierr < 0) RFTRAC("RAFOLD");
}

void RAFNEW(int32_t ifile, std::string& name, std::string_view status, int32_t nmax,
            int32_t& ierr) {
  ierr = 0;
  const std::string_view word = status_word(status);
  if (word.empty()) {
    issue(Msg::kBadStatusCode, "RAFNEW", ierr);
  } else if (nmax <= 0) {
    issue(Msg::kBadMaximum, "RAFNEW", ierr);
  } else if (nmax > format::kMaxI8) {
    // MFPMAX must fit its eight digits in the key.
    issue(Msg::kBadMfpmax, "RAFNEW", ierr, nmax);
  } else {
    std::string work = textio::fixed(name, kNameWidth);
    RFFNAM(work, ifile);
    RFFIOP(work, ifile, word, ierr);
    if (ierr >= 0) {
      return_name(name, work);
      RFINEW(ifile, nmax, ierr);
    }
  }
  if (ierr < 0) RFTRAC("RAFNEW");
}

void RFFIOP(std::string_view name, int32_t ifile, std::string_view status, int32_t& ierr) {
  RafState& st = raf_state();
  ierr = 0;
  if (ifile != 0 && std::any_of(st.slots.begin(), st.slots.end(),
                                [ifile](const Slot& s) { return s.unit == ifile; })) {
    st.current = 0;
    issue(Msg::kFileNumberInUse, "RFFIOP", ierr);
    return;
  }
  const auto free_slot =
      std::find_if(st.slots.begin(), st.slots.end(), [](const Slot& s) { return s.unit == 0; });
  if (free_slot == st.slots.end()) {
    st.current = 0;
    issue(Msg::kTooManyFiles, "RFFIOP", ierr, kSlots);
    return;
  }
  st.current = static_cast<int32_t>(free_slot - st.slots.begin()) + 1;

  platform::OpenStatus how = platform::OpenStatus::kOld;
  const std::string_view word = status_word(status);
  if (word == "NEW") how = platform::OpenStatus::kNew;
  if (word == "UNKNOWN") how = platform::OpenStatus::kUnknown;
  const int result =
      platform::open_direct(ifile, std::string(textio::trimmed(name)), how, format::kRecordBytes);
  if (result != 0) {
    st.current = 0;
    issue(Msg::kCannotOpen, "RFFIOP", ierr, result);
    return;
  }
  *free_slot = Slot{};
  free_slot->unit = -ifile;
  const std::string stamp = stamp_text(now());
  std::copy_n(stamp.begin(), std::min(stamp.size(), free_slot->stamp.size()),
              free_slot->stamp.begin());
}

}  // namespace raflib
