// The work array: one block of 4-byte words that holds every named array of
// the in-core store, and the typed 1-based views through which it is read.
//
// Word k (1-based) of the integer view and element k of the real view
// (covering words 2k-1 and 2k) lie over the same memory.  An array is read
// only through the view that matches what it holds; anything that handles
// words regardless of their type (moving, clearing, byte reversal, widening)
// goes through std::memmove / std::memset / std::memcpy on the raw bytes.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace dms {

/// One-based view of `n` values of type T: v(1) .. v(n).  Bounds are checked
/// in debug builds.
template <class T>
class Vec1 {
 public:
  Vec1() = default;
  Vec1(T* first, int64_t n) : p_(first), n_(n) {}
  T& operator()(int64_t k) const {
    assert(k >= 1 && k <= n_);
    return p_[k - 1];
  }
  [[nodiscard]] int64_t size() const { return n_; }
  [[nodiscard]] T* data() const { return p_; }
  /// True when 1 <= k <= size().
  [[nodiscard]] bool contains(int64_t k) const { return k >= 1 && k <= n_; }
  /// The view of values k .. k+len-1 (1-based); the caller checks the range.
  [[nodiscard]] Vec1 sub(int64_t k, int64_t len) const {
    assert(k >= 1 && len >= 0 && k - 1 + len <= n_);
    return Vec1(p_ + (k - 1), len);
  }

 private:
  T* p_ = nullptr;
  int64_t n_ = 0;
};

/// One-based column-major matrix view: m(k, c) is value (c-1)*ld + k of the
/// underlying array of `n` values.
template <class T>
class Mat1 {
 public:
  Mat1() = default;
  Mat1(T* first, int64_t ld, int64_t n) : p_(first), ld_(ld), n_(n) {}
  Mat1(Vec1<T> v, int64_t ld) : p_(v.data()), ld_(ld), n_(v.size()) {}
  T& operator()(int64_t k, int64_t c) const {
    assert(k >= 1 && c >= 1 && (c - 1) * ld_ + k <= n_);
    return p_[(c - 1) * ld_ + (k - 1)];
  }
  [[nodiscard]] int64_t ld() const { return ld_; }
  [[nodiscard]] int64_t size() const { return n_; }
  /// True when value (c-1)*ld + k lies inside the array.
  [[nodiscard]] bool contains(int64_t k, int64_t c) const {
    return k >= 1 && c >= 1 && ld_ >= 1 && (c - 1) <= (n_ - k) / ld_ && k <= n_;
  }
  [[nodiscard]] T* data() const { return p_; }

 private:
  T* p_ = nullptr;
  int64_t ld_ = 0;
  int64_t n_ = 0;
};

/// Asks the system to back `bytes` at `block` (2 MB aligned) with large
/// pages.  Only a hint: without large pages the block works as it is.
inline void advise_large_pages([[maybe_unused]] void* block, [[maybe_unused]] std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
  static_cast<void>(::madvise(block, bytes, MADV_HUGEPAGE));
#endif
}

/// Owner of the work array storage.  The block is obtained without touching
/// its pages, so unused work space costs no memory; its contents are not
/// initialised.
///
/// The block starts on a 2 MB boundary and is marked for large pages where
/// the system has them: the arrays of a RAF file then take a few page faults
/// instead of one per 4 KB page, and reading a step's forces into them
/// walks fewer pages.  Memory is still only used where arrays are.
class WorkArray {
 public:
  WorkArray() = default;
  /// Tries to allocate `nwords` words; check ok() afterwards.
  explicit WorkArray(int64_t nwords) {
    if (nwords <= 0) return;
    const auto bytes = static_cast<std::size_t>(nwords) * 4U;
    storage_.reset(static_cast<std::byte*>(
        ::operator new[](bytes, std::align_val_t{kLargePage}, std::nothrow)));
    if (!storage_) return;
    nwords_ = nwords;
    if (bytes >= kLargePage) advise_large_pages(storage_.get(), bytes - bytes % kLargePage);
  }
  [[nodiscard]] bool ok() const { return storage_ != nullptr; }
  [[nodiscard]] int64_t words() const { return nwords_; }
  [[nodiscard]] std::byte* bytes() const { return storage_.get(); }

 private:
  static constexpr std::size_t kLargePage = std::size_t{2} << 20;
  struct Release {
    void operator()(std::byte* p) const { ::operator delete[](p, std::align_val_t{kLargePage}); }
  };
  std::unique_ptr<std::byte[], Release> storage_;
  int64_t nwords_ = 0;
};

/// Integer view of the work array: word k, 1-based.
using IntView = Vec1<int32_t>;
/// Real view of the work array: element k covers words 2k-1 and 2k.
using RealView = Vec1<double>;

/// The integer view over `nwords` words at `base` (8-byte aligned).
inline IntView int_view(std::byte* base, int64_t nwords) {
  return IntView(reinterpret_cast<int32_t*>(base), nwords);
}
/// The real view over the same words (nwords / 2 elements).
inline RealView real_view(std::byte* base, int64_t nwords) {
  return RealView(reinterpret_cast<double*>(base), nwords / 2);
}

/// Raw word operations (type-independent), on 1-based word numbers.
inline void move_words(IntView iw, int64_t to, int64_t from, int64_t count) {
  if (count <= 0) return;
  assert(to >= 1 && from >= 1 && to - 1 + count <= iw.size() && from - 1 + count <= iw.size());
  std::memmove(iw.data() + (to - 1), iw.data() + (from - 1), static_cast<std::size_t>(count) * 4U);
}
inline void clear_words(IntView iw, int64_t first, int64_t count) {
  if (count <= 0) return;
  assert(first >= 1 && first - 1 + count <= iw.size());
  std::memset(iw.data() + (first - 1), 0, static_cast<std::size_t>(count) * 4U);
}
/// Start address (as bytes) of word k.
inline std::byte* word_address(IntView iw, int64_t k) {
  return reinterpret_cast<std::byte*>(iw.data() + (k - 1));
}

}  // namespace dms
