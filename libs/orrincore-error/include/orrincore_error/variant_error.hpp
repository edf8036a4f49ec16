#pragma once
// The one shape of every error type of the system: exactly one of a fixed
// list of variants, and one message per variant. An error type derives from
// `VariantError`, takes over its constructor and defines `message()`:
//
//     class CoreError : public VariantError<InvalidIdentifier, ..., UnknownProduct> {
//     public:
//         using VariantError::VariantError;
//         std::string message() const;
//     };
//
//     CoreError error = SignatureInvalid{};   // any variant converts
//     error.is<SignatureInvalid>()            // true
//     error.get_if<Validation>()              // the variant, or null
//     std::visit(visitor, error.variant())    // every variant in turn

#include <type_traits>
#include <utility>
#include <variant>

namespace orrincore_error {

template <class... Variants>
class VariantError {
public:
    using Variant = std::variant<Variants...>;

    template <class V>
    requires std::is_constructible_v<Variant, V&&> VariantError(V&& v)
        : variant_(std::forward<V>(v)) {}  // NOLINT: implicit by design

    const Variant& variant() const { return variant_; }

    template <class V>
    bool is() const {
        return std::holds_alternative<V>(variant_);
    }

    template <class V>
    const V* get_if() const {
        return std::get_if<V>(&variant_);
    }

    bool operator==(const VariantError&) const = default;

private:
    Variant variant_;
};

}  // namespace orrincore_error
