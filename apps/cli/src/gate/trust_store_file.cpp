#include "gate/trust_store_file.hpp"

#include <sys/stat.h>

#include <cerrno>

#include "io/os_error.hpp"
#include "io/record_file.hpp"

namespace vevizovuvazavad {

std::expected<TrustStore, std::string> load_trust_store(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR || error == EACCES) return TrustStore::empty();
        return std::unexpected(io::path_error_text(path, error));
    }
    return io::read_json<TrustStore>(path);
}

}  // namespace vevizovuvazavad
