#pragma once
// The eight actor kinds of audit events (`ActorType`) and of policy rules
// (`PolicyActorType`): separate types with the same words in the same order.
// Each declares its values in this order and takes its table from here.

#include "orrincore_json/enumeration.hpp"

namespace orrincore_json {

inline constexpr EnumWords actor_type_words[] = {
    {"user", "User"},       {"administrator", "Administrator"},    {"device", "Device"}, {"service", "Service"},
    {"product", "Product"}, {"federation_peer", "FederationPeer"}, {"system", "System"}, {"unknown", "Unknown"},
};

}  // namespace orrincore_json
