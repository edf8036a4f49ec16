#pragma once
// Root passes every permission check; while one of these lives, a test run
// as root runs the tool as the user nobody, so that a read-only folder
// refuses it as it refuses others. Real and effective user and group change
// and the supplementary groups are dropped, as `setpriv --reuid=65534
// --regid=65534 --clear-groups` would; root stays the saved user, to come
// back to. For other users it does nothing.

#include <grp.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

namespace vevizovuvazavad::testing {

inline constexpr uid_t nobody_uid = 65534;
inline constexpr gid_t nobody_gid = 65534;

class UnprivilegedWhileAlive {
public:
    UnprivilegedWhileAlive() : UnprivilegedWhileAlive(nobody_uid, nobody_gid, {}) {}
    // As `uid` and `gid`, a member of `groups` too, as `setpriv --reuid=UID
    // --regid=GID --groups=GROUPS` would.
    UnprivilegedWhileAlive(uid_t uid, gid_t gid, const std::vector<gid_t>& groups) : was_root_(::geteuid() == 0) {
        if (!was_root_) return;
        groups_.resize(static_cast<std::size_t>(::getgroups(0, nullptr)));
        EXPECT_EQ(::getgroups(static_cast<int>(groups_.size()), groups_.data()), static_cast<int>(groups_.size()));
        EXPECT_EQ(::setgroups(groups.size(), groups.data()), 0);
        EXPECT_EQ(::setresgid(gid, gid, 0), 0);
        EXPECT_EQ(::setresuid(uid, uid, 0), 0);
    }
    ~UnprivilegedWhileAlive() {
        if (!was_root_) return;
        EXPECT_EQ(::setresuid(0, 0, 0), 0);
        EXPECT_EQ(::setresgid(0, 0, 0), 0);
        EXPECT_EQ(::setgroups(groups_.size(), groups_.data()), 0);
    }
    UnprivilegedWhileAlive(const UnprivilegedWhileAlive&) = delete;
    UnprivilegedWhileAlive& operator=(const UnprivilegedWhileAlive&) = delete;

private:
    bool was_root_;
    std::vector<gid_t> groups_;
};

// Why a test cannot run the tool as root and as an ordinary user here, if it
// cannot: it needs root, and the ordinary user must reach the tool and the
// temporary folders, which TMPDIR can put where only root may search.
inline std::optional<std::string> why_two_users_cannot_act() {
    if (::geteuid() != 0) return "needs root, to act as two users";
    UnprivilegedWhileAlive nobody;
    std::error_code error;
    const auto temporary = std::filesystem::temp_directory_path(error);
    if (error || ::access(VEVI_EXECUTABLE, X_OK) != 0 || ::access(temporary.c_str(), W_OK | X_OK) != 0)
        return "an ordinary user cannot reach the tool or the temporary folders here";
    return std::nullopt;
}

}  // namespace vevizovuvazavad::testing
