// The bits of a value read as another type of the same size, as std::bit_cast
// reads them. The compiler's builtin, which std::bit_cast wraps, is called
// directly: the C++ library of the WebAssembly toolchain predates bit_cast.
#pragma once

namespace tbcalc::detail {

template <class To, class From>
constexpr To bit_cast(const From& from) noexcept {
  static_assert(sizeof(To) == sizeof(From));
  return __builtin_bit_cast(To, from);
}

}  // namespace tbcalc::detail
