#include "gate/trust_store_file.hpp"

#include <sys/stat.h>

#include <cerrno>

#include "files/record_file.hpp"
#include "system/os_error.hpp"

namespace vevizovuvazavad {

std::expected<TrustStore, std::string> load_trust_store(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR || error == EACCES) return TrustStore::empty();
        return std::unexpected(system::path_error_text(path, error));
    }
    return files::read_json<TrustStore>(path);
}

}  // namespace vevizovuvazavad
