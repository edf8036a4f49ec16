#include "demo/run_state.hpp"

#include <zorizorezire_rizozi/custody.hpp>

namespace vevizovuvazavad::demo {

namespace ids = zedododor_avovodizi::ids;

RunState RunState::set_up() {
    auto demo_key = orrincore_crypto::SigningKey::generate();
    const auto tenant = ids::TenantId::generate();
    const auto workspace = ids::WorkspaceId::generate();
    return RunState(std::move(demo_key), tenant, workspace, zorizorezire_rizozi::custody::product_id());
}

RunState::RunState(orrincore_crypto::SigningKey demo_key, ids::TenantId tenant, ids::WorkspaceId workspace,
                   ids::ProductId product_id)
    : demo_key(std::move(demo_key)), tenant(tenant), workspace(workspace), product_id(std::move(product_id)) {}

}  // namespace vevizovuvazavad::demo
