// The message store: framed error texts handed over by the reporting routines
// on their way out, written at once to an output unit or chained in the
// caller's integer message control.
//
// Store-mode layout of the control (1-based words):
//   1      -321 (store mode); a positive value is an output unit instead
//   2      capacity: words in the whole control
//   3      status of the chain held: 0 empty, < 0 error chain, > 0 warnings,
//          -103 after an overflow
//   4      first text word (11 once something is stored)
//   5      next free word
//   11..   text, one character code a word; messages separated by a line
//          feed, the last one followed by a word holding 0
//
// The control comes from the caller and may be inconsistent; the store only
// ever touches words that lie inside both the view and the capacity, and it
// leaves a control whose words 4 and 5 do not describe a text area alone.
#include <cstddef>

#include "platform/units.h"
#include "recall/recall.h"
#include "textio/textio.h"

namespace recall {
namespace {

constexpr int32_t kStoreMode = -321;
constexpr int32_t kOverflow = -103;
constexpr int32_t kMinCapacity = 101;  // store and fetch need more than 100 words
constexpr int32_t kFirstText = 11;
constexpr int32_t kLineFeed = 10;
constexpr int32_t kBlank = 32;

enum class Action : int { kNothing = 0, kAppend = 1, kStartNew = 2 };

int32_t code_of(char c) {
  return static_cast<int32_t>(static_cast<unsigned char>(c));
}

// Puts the first `length` character codes of `text` into words from `first`;
// a character whose code is 0 leaves its word as it is.
void put_codes(MessageControl control, int64_t first, std::string_view text, int64_t length) {
  for (int64_t k = 0; k < length; ++k) {
    const int32_t code = code_of(text[static_cast<std::size_t>(k)]);
    if (code != 0) control(first + k) = code;
  }
}

// What a message of status `passed` does to a store holding a chain of
// status `stored`, when the text fits.
Action decide(int32_t stored, int32_t passed) {
  if (passed == 0) return Action::kNothing;
  if (stored < 0) return passed < 0 ? Action::kAppend : Action::kNothing;
  if (stored == 0) return Action::kStartNew;
  return passed < 0 ? Action::kStartNew : Action::kAppend;
}

void append(MessageControl control, std::string_view text, int64_t length) {
  const int64_t next = control(5);
  control(next - 1) = kLineFeed;
  put_codes(control, next, text, length);
  control(next + length) = 0;
  control(5) = static_cast<int32_t>(next + length + 1);
}

void start_new(MessageControl control, int64_t capacity, std::string_view text, int64_t length,
               int32_t status) {
  for (int64_t k = kFirstText; k <= capacity - 1; ++k) control(k) = kBlank;
  put_codes(control, kFirstText, text, length);
  control(kFirstText + length) = 0;
  control(3) = status;
  control(4) = kFirstText;
  control(5) = static_cast<int32_t>(kFirstText + 1 + length);
}

void fetch(MessageControl control, int64_t capacity, std::string& text) {
  const int64_t first = control(4);
  const int64_t next = control(5);
  if (first < kFirstText || next < first || next > capacity + 1) return;
  const auto count = static_cast<std::size_t>(next - first);
  // The caller's text must hold the stored characters; a shorter one grows.
  if (text.size() < count) text.resize(count, ' ');
  for (std::size_t k = 0; k < count; ++k) {
    text[k] = static_cast<char>(control(first + static_cast<int64_t>(k)));
  }
}

void store(MessageControl control, int64_t capacity, int32_t status, std::string_view text) {
  if (control(1) != kStoreMode) return;
  if (!(status < 0 || control(3) >= 0)) return;  // an error chain is kept
  const int64_t next = control(5);
  // Word 5 runs from 11 (empty) to capacity + 1 (full); anything else is
  // not a store this routine wrote, and counting room from it would write
  // outside the text area.
  if (next < kFirstText || next > capacity + 1) return;
  int64_t length = textio::LENTRM(text);
  const int64_t room = capacity - next;
  if (length > room) {
    length = room < 0 ? 0 : room;
    control(3) = kOverflow;
    if (status < 0) {
      if (room < 0) return;  // full to the last word already
      append(control, text, length);
    } else {
      control(5) = static_cast<int32_t>(capacity);
    }
    return;
  }
  switch (decide(control(3), status)) {
    case Action::kAppend:
      append(control, text, length);
      break;
    case Action::kStartNew:
      start_new(control, capacity, text, length, status);
      break;
    case Action::kNothing:
      break;
  }
}

}  // namespace

void MSGSTO(MessageControl control, int32_t status, std::string& text, std::string_view mode) {
  if (control.size() < 1) return;
  if (control(1) > 0) {
    const auto length = static_cast<std::size_t>(textio::LENTRM(text));
    platform::write_record(control(1), std::string_view(text).substr(0, length));
    return;
  }
  if (control.size() < 5) return;
  // The capacity the caller states, but never more than the words it lent.
  int64_t capacity = control(2);
  if (capacity > control.size()) capacity = control.size();
  if (capacity < kMinCapacity) return;
  if (mode.empty()) return;
  const char letter = mode.front();
  if (letter == 'F' || letter == 'f') {
    fetch(control, capacity, text);
  } else if (letter == 'S' || letter == 's') {
    store(control, capacity, status, text);
  }
}

}  // namespace recall
