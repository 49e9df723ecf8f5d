// Initialising an opened file: RFIOLD (an existing file's key read and
// checked), RFINEW (a new file laid out), and the key transfers RFGKEY and
// RFPKEY.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "raflib/chkey.h"
#include "raflib/format.h"
#include "raflib/raflib.h"
#include "raflib/state.h"

namespace raflib {
namespace {

// Finds the slot opened (-ifile) for `ifile` and makes it current.  A slot
// already open and initialised (+ifile) found first gives 1039, no opened
// slot 1022; both leave no slot current.
Slot* opened_slot(int32_t ifile, std::string_view routine, int32_t& ierr) {
  RafState& st = raf_state();
  for (int32_t k = 1; k <= kSlots; ++k) {
    Slot& slot = st.slots[static_cast<std::size_t>(k - 1)];
    if (ifile <= 0) break;
    if (slot.unit == ifile) {
      st.current = 0;
      issue(Msg::kReinitialise, routine, ierr);
      return nullptr;
    }
    if (slot.unit == -ifile) {
      st.current = k;
      return &slot;
    }
  }
  st.current = 0;
  issue(Msg::kNotInitialised, routine, ierr);
  return nullptr;
}

void reset_pages(Slot& slot) {
  for (PageBuffer& b : slot.pages) {
    b.bytes.fill(std::byte{0});
    b.page = 0;
    b.age = kPageBuffers;
    b.dirty = false;
  }
}

void put_stamp(Chkey& key, format::KeyField field, const Slot& slot) {
  put_key_text(key, field, std::string_view(slot.stamp.data(), slot.stamp.size()));
}

// Why RFIOLD refuses a file: the message number and its parameters.
struct Refusal {
  int32_t number = 0;
  int32_t ipar = kUnknown;
  std::string apar = std::string(kDummy);
};

Refusal decode_error() {
  return {static_cast<int32_t>(Msg::kKeyDecodeError), kStatusBadNumber};
}

// What RFIOLD takes from an existing file's key.
struct DecodedKey {
  int32_t version = 0;
  int32_t revision = 0;
  int32_t lock_state = 0;
  KeyValues values;
};

// The magic text, version, revision, lock flags and numeric block of `key`;
// a refusal for a key that is not one of a file this library reads.
std::optional<Refusal> decode_key(const Chkey& key, DecodedKey& out) {
  if (key_text(key, format::kMagic) != format::kMagicText) {
    return Refusal{static_cast<int32_t>(Msg::kNotRafFile), kUnknown};
  }
  const auto version = get_key_int(key, format::kVersion);
  const auto revision = get_key_int(key, format::kRevision);
  if (!version || !revision) return decode_error();
  if (*version > format::kFileVersion) {
    return Refusal{static_cast<int32_t>(Msg::kTooNew), kUnknown, std::to_string(*version)};
  }
  const auto first_lock = get_key_int(key, format::kFirstLock);
  const auto second_lock = get_key_int(key, format::kSecondLock);
  if (!first_lock || !second_lock || !get_numeric_block(key, out.values)) return decode_error();
  out.version = *version;
  out.revision = *revision;
  out.lock_state =
      (*first_lock == 0 ? kFirstFlagClear : 0) + (*second_lock == 0 ? kSecondFlagClear : 0);
  return std::nullopt;
}

// The MFP layout of the numeric block: MFPADR above the key, room for at
// least one array, MFPCUR within it, data after the MFP.
std::optional<Refusal> check_numeric_block(const KeyValues& values) {
  if (values.mfpadr <= format::kKeyRecord) {
    return Refusal{static_cast<int32_t>(Msg::kBadMfpadr), values.mfpadr};
  }
  if (values.mfpmax < 1) return Refusal{static_cast<int32_t>(Msg::kBadMfpmax), values.mfpmax};
  if (values.mfpcur < 0 || values.mfpcur > values.mfpmax) {
    return Refusal{static_cast<int32_t>(Msg::kBadMfpcur), values.mfpcur};
  }
  if (values.mfpnxt <= values.mfpadr) {
    return Refusal{static_cast<int32_t>(Msg::kBadMfpnxt), values.mfpnxt};
  }
  return std::nullopt;
}
}  // namespace

void RFGKEY(int32_t& ierr) {
  Slot* slot = current_slot();
  if (slot == nullptr) {
    issue(Msg::kNotInitialised, "RFGKEY", ierr);
    return;
  }
  std::array<std::byte, format::kKeyBytes> bytes{};
  int32_t address = format::kKeyRecord;
  FFILE(std::abs(slot->unit), kOpRead, address, bytes, format::kKeyWords, ierr);
  if (ierr != 0) {
    RFFERR(ierr, "RFGKEY", 0, kOpRead);
    return;
  }
  std::memcpy(slot->key.data(), bytes.data(), bytes.size());
}

void RFPKEY(int32_t& ierr) {
  Slot* slot = current_slot();
  ierr = 0;
  if (slot == nullptr) {
    issue(Msg::kNotInitialised, "RFPKEY", ierr);
    return;
  }
  if (write_stamp_due(slot->access_state)) {
    put_stamp(slot->key, format::kWrittenStamp, *slot);
  }
  if (read_stamp_due(slot->access_state)) {
    put_stamp(slot->key, format::kReadStamp, *slot);
  }
  put_numeric_block(slot->key, slot->values);
  std::array<std::byte, format::kKeyBytes> bytes{};
  std::memcpy(bytes.data(), slot->key.data(), bytes.size());
  RFCHKW(ierr);
  if (ierr < 0) {
    RFTRAC("RFPKEY");
    return;
  }
  int32_t address = format::kKeyRecord;
  ffile_write(std::abs(slot->unit), address, bytes, format::kKeyWords, ierr);
  if (ierr != 0) {
    RFFERR(ierr, "RFPKEY", 0, kOpWrite);
    return;
  }
  if (slot->access_state > kStampsDue) slot->access_state -= kStampsDue;
  ++raf_state().write_counter;
  ++slot->writes;
}

void RFIOLD(int32_t ifile, int32_t& ierr) {
  RafState& st = raf_state();
  ierr = 0;
  st.last_flag = kUnknown;
  Slot* slot = opened_slot(ifile, "RFIOLD", ierr);
  if (slot == nullptr) return;

  // Every refusal leaves no slot current and is reported from here.
  auto refuse = [&](const Refusal& r) {
    st.current = 0;
    ierr = r.number;
    RFMESS(ierr, "RFIOLD", 0, r.ipar, r.apar);
  };

  RFGKEY(ierr);
  if (ierr < 0) {
    refuse({-ierr, st.last_flag});
    return;
  }
  DecodedKey decoded;
  if (const auto r = decode_key(slot->key, decoded)) {
    refuse(*r);
    return;
  }
  slot->lock_state = decoded.lock_state;
  if (const auto r = check_numeric_block(decoded.values)) {
    refuse(*r);
    return;
  }
  slot->values = decoded.values;

  slot->unit = ifile;
  slot->access_state = kAccessNone;
  reset_pages(*slot);

  const auto code = get_key_int(slot->key, format::kComputerCode);
  if (!code) {
    refuse(decode_error());
    return;
  }
  slot->computer_type = *code;
  const int32_t own = decode_int_field(st.own_code).value_or(0);
  if (*code != own) {
    RFCNVD("CK", {}, 0, ierr);
    if (ierr < 0) {
      RFTRAC("RFIOLD");
      return;
    }
  }

  if (decoded.version < format::kFileVersion) {
    RFCVER(decoded.version, decoded.revision, ierr);
    if (ierr < 0) refuse({-ierr, st.last_flag});
  }
}

void RFINEW(int32_t ifile, int32_t nmax, int32_t& ierr) {
  RafState& st = raf_state();
  ierr = 0;
  Slot* slot = opened_slot(ifile, "RFINEW", ierr);
  if (slot == nullptr) return;
  if (nmax < 1) {
    issue(Msg::kBadMaximum, "RFINEW", ierr);
    return;
  }
  if (nmax > format::kMaxI8) {
    issue(Msg::kBadMfpmax, "RFINEW", ierr, nmax);
    return;
  }
  const int32_t unit = std::abs(slot->unit);
  slot->computer_type = st.own_type;

  // The key records come first; the MFP pages follow from MFPADR on.
  int32_t address = format::kKeyRecord;
  FFILE(unit, kOpAdvance, address, {}, format::kKeyWords, ierr);
  if (ierr != 0) {
    RFFERR(ierr, "RFINEW", 0, kOpAdvance);
    return;
  }
  const int64_t pages =
      (int64_t{format::kEntryWords} * nmax + format::kPageWords - 1) / format::kPageWords;
  KeyValues values;
  values.mfpadr = address;
  FFILE(unit, kOpAdvance, address, {}, pages * format::kPageWords, ierr);
  if (ierr != 0) {
    RFFERR(ierr, "RFINEW", 0, kOpAdvance);
    return;
  }
  values.mfpnxt = address;
  values.mfpmax = nmax;
  values.mfplen = values.mfpnxt - values.mfpadr;
  slot->values = values;
  slot->key = new_key(st.own_name, st.own_code,
                      std::string_view(slot->stamp.data(), slot->stamp.size()), values);
  slot->access_state = kAccessNone;
  RFPKEY(ierr);
  if (ierr < 0) {
    RFTRAC("RFINEW");
    return;
  }

  const std::array<std::byte, format::kPageBytes> zeros{};
  for (int64_t p = 0; p < pages; ++p) {
    int32_t at = static_cast<int32_t>(values.mfpadr + format::kRecordsPerPage * p);
    ffile_write(unit, at, zeros, format::kPageWords, ierr);
    if (ierr != 0) {
      RFFERR(ierr, "RFINEW", 0, kOpWrite);
      return;
    }
  }
  slot->lock_state = kUnlockedState;
  slot->access_state = kAccessNone;
  reset_pages(*slot);
  slot->unit = ifile;
  ++st.write_counter;
  ++slot->writes;
}

}  // namespace raflib
