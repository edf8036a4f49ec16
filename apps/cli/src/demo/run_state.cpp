#include "demo/run_state.hpp"

#include <fmt/format.h>
#include <orrincore_error/text.hpp>

#include "demo/fixed_data.hpp"

namespace vevizovuvazavad::demo {

namespace ids = zedododor_avovodizi::ids;

std::expected<ids::ProductId, std::string> demo_product_id() {
    auto product_id = ids::ProductId::create(product_slug);
    if (!product_id) {
        return std::unexpected(fmt::format("internal: {} is not a valid product id: {}",
                                           orrincore_error::quoted_form(product_slug), product_id.error().message()));
    }
    return *std::move(product_id);
}

std::expected<RunState, std::string> RunState::set_up() {
    auto demo_key = orrincore_crypto::SigningKey::generate();
    const auto tenant = ids::TenantId::generate();
    const auto workspace = ids::WorkspaceId::generate();
    auto product_id = demo_product_id();
    if (!product_id) return std::unexpected(std::move(product_id).error());
    return RunState(std::move(demo_key), tenant, workspace, *std::move(product_id));
}

RunState::RunState(orrincore_crypto::SigningKey demo_key, ids::TenantId tenant, ids::WorkspaceId workspace,
                   ids::ProductId product_id)
    : demo_key(std::move(demo_key)), tenant(tenant), workspace(workspace), product_id(std::move(product_id)) {}

}  // namespace vevizovuvazavad::demo
