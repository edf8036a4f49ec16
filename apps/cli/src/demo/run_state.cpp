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

RunState::RunState(orrincore_crypto::SigningKey key, ids::TenantId tenant_id, ids::WorkspaceId workspace_id,
                   ids::ProductId product)
    : demo_key(std::move(key)), tenant(tenant_id), workspace(workspace_id), product_id(std::move(product)) {}

}  // namespace vevizovuvazavad::demo
