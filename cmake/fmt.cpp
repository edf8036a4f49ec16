// fmt's compiled part: the definitions of its installed fmt/format-inl.h, and
// the instantiations that fmt/format.h declares extern for the char type.
#include <fmt/format-inl.h>

namespace fmt::detail {

template auto thousands_sep_impl<char>(locale_ref) -> thousands_sep_result<char>;
template auto decimal_point_impl<char>(locale_ref) -> char;

}  // namespace fmt::detail
