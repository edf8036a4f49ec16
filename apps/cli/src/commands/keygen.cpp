#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <orrincore_crypto/sign.hpp>

#include "commands/keygen.hpp"
#include "io/emit.hpp"
#include "io/os_error.hpp"
#include "io/seed_file.hpp"

namespace vevizovuvazavad {

HandlerResult run_keygen(const Cli& cli, const KeygenCommand& command) {
    const auto key = orrincore_crypto::SigningKey::generate();
    if (auto written = io::write_seed_file(command.out, key); !written)
        return std::unexpected(io::os_error_text(written.error()));
    const std::string fingerprint = key.verifying_key().fingerprint().to_hex();
    io::emit(
        cli.output_form(), nlohmann::json{{"fingerprint", fingerprint}},
        fmt::format("seed written to {} (0600)\npublic fingerprint: {}", io::display_path(command.out), fingerprint));
    return {};
}

}  // namespace vevizovuvazavad
