// The checked view of a named array of the store: the array's values seen
// through the view that matches its element size (one word an element for
// integers, two for reals), from the position the store or a recall gave,
// and as many as the store says it holds.  Every reader of a named array
// takes its values through here, so that a length or a position from a
// damaged file never makes a view that reaches outside the work array.
#pragma once

#include <cstdint>
#include <string_view>

#include "dms/dms.h"
#include "dms/work_array.h"

namespace dms {

/// Why a named view could not be made.
enum class ViewFault {
  kNone,
  kElementSize,  ///< the store holds elements of another size than the view
  kOutside,      ///< the array would not lie inside the view
};

/// Words per element of the view over values of type T: 1 for integers, 2
/// for reals.
template <class T>
inline constexpr int32_t kWordsPerElement = sizeof(T) == sizeof(double) ? 2 : 1;

template <class T>
struct NamedView {
  Vec1<T> values;
  ViewFault fault = ViewFault::kNone;
  int32_t words = 0;  ///< words per element the store gives the array
  [[nodiscard]] bool ok() const { return fault == ViewFault::kNone; }
};

/// The values of array `name` at `pointer` (1-based) of `view`, the integer
/// or real view over the store `iw`.  The store is asked for the length,
/// then for the words per element.
template <class T>
NamedView<T> named_view(IntView iw, Vec1<T> view, std::string_view name, int64_t pointer) {
  NamedView<T> result;
  const int64_t length = DMSINQ(iw, name, kInquireLength);
  result.words = DMSINQ(iw, name, kInquireWordsPerElement);
  if (result.words != kWordsPerElement<T>) {
    result.fault = ViewFault::kElementSize;
  } else if (pointer < 1 || length < 0 || pointer - 1 + length > view.size()) {
    result.fault = ViewFault::kOutside;
  } else {
    result.values = view.sub(pointer, length);
  }
  return result;
}

}  // namespace dms
