#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <orrincore_crypto/sign.hpp>

#include "commands/keygen.hpp"
#include "files/seed_file.hpp"
#include "output/report.hpp"
#include "system/os_error.hpp"
#include "text/unicode_text.hpp"

namespace vevizovuvazavad {

HandlerResult run_keygen(const Cli& cli, const KeygenCommand& command) {
    const auto key = orrincore_crypto::SigningKey::generate();
    if (auto written = files::write_seed_file(command.out, key); !written)
        return std::unexpected(system::os_error_text(written.error()));
    const std::string fingerprint = key.verifying_key().fingerprint().to_hex();
    output::emit(
        cli.output_form(), nlohmann::json{{"fingerprint", fingerprint}},
        fmt::format("seed written to {} (0600)\npublic fingerprint: {}", text::lossy_utf8(command.out), fingerprint));
    return {};
}

}  // namespace vevizovuvazavad
