#pragma once
// Chains of custody for the tests. No command writes one, so they are built
// here with the audit chain itself and written as the tool reads them: a
// JSON array of signed events, each in the object form or in the array form
// (the field values in field order).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>
#include <orrincore_audit/audit_chain.hpp>
#include <orrincore_json/document.hpp>

namespace vevizovuvazavad::testing {

enum class EventForm { object, array };

namespace custody_chain_detail {

using Json = nlohmann::ordered_json;

template <class T>
struct is_optional : std::false_type {};
template <class T>
struct is_optional<std::optional<T>> : std::true_type {};

template <class T>
concept Record = requires {
    orrincore_json::Json<T>::fields;
};

template <Record R>
Json array_form(const R& record);

// One field's element of the array form: nested records in array form too,
// an absent option as null so that later elements keep their places.
template <class F, class R>
Json element(const F& field, const R& record) {
    using Codec = typename F::codec;
    const auto& value = record.*field.member;
    if constexpr (Record<std::remove_cvref_t<decltype(value)>>) {
        return array_form(value);
    } else if constexpr (is_optional<std::remove_cvref_t<decltype(value)>>::value) {
        return value ? Codec::template write<Json>(*value) : Json(nullptr);
    } else {
        return Codec::template write<Json>(value);
    }
}

template <Record R>
Json array_form(const R& record) {
    Json out = Json::array();
    std::apply([&](const auto&... field) { (out.push_back(element(field, record)), ...); },
               orrincore_json::Json<R>::fields);
    return out;
}

}  // namespace custody_chain_detail

// `count` events appended in order to a new chain under `key`, numbered from
// 1; the n-th event is about package-n, so that neighbours differ.
inline std::vector<orrincore_audit::SignedAuditEvent> custody_events(const orrincore_crypto::SigningKey& key,
                                                                     std::size_t count) {
    using namespace orrincore_audit;
    const auto product = zedododor_avovodizi::ids::ProductId::from_literal("vuvadededoru");
    const auto start = zedododor_avovodizi::time::Timestamp::from_str("2024-05-01T12:00:00Z").value();
    AuditChain chain;
    std::vector<SignedAuditEvent> events;
    events.reserve(count);
    for (std::size_t n = 1; n <= count; ++n) {
        auto event = AuditEvent::create(product, Actor{ActorType::service, "archive-engine", std::nullopt},
                                        Target{"archive_package", "package-" + std::to_string(n)},
                                        "vuvadededoru:package.seal", AuditResult::success, AuditCategory::data_access,
                                        start.saturating_add_seconds(static_cast<std::int64_t>(n)));
        auto appended = chain.append(std::move(event), key);
        if (!appended) throw std::runtime_error("custody fixture: " + appended.error().message());
        events.push_back(std::move(*appended));
    }
    return events;
}

// The events as a JSON value: an array of signed events, each in `form`.
inline nlohmann::ordered_json custody_chain_value(std::span<const orrincore_audit::SignedAuditEvent> events,
                                                  EventForm form) {
    auto out = nlohmann::ordered_json::array();
    for (const auto& event : events) {
        out.push_back(
            form == EventForm::object
                ? orrincore_json::Json<orrincore_audit::SignedAuditEvent>::write<nlohmann::ordered_json>(event)
                : custody_chain_detail::array_form(event));
    }
    return out;
}

// The chain-of-custody file of `events`, in the layout of the tool's record
// files (two-space indentation, no final newline).
inline std::string custody_chain_file(std::span<const orrincore_audit::SignedAuditEvent> events,
                                      EventForm form = EventForm::object) {
    return custody_chain_value(events, form).dump(2);
}

}  // namespace vevizovuvazavad::testing
