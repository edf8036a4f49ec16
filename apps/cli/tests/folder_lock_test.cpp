#include "system/folder_lock.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_tool.hpp"
#include "system/file_descriptor.hpp"
#include "system/os_error.hpp"

namespace {

using vevizovuvazavad::system::FileDescriptor;
using vevizovuvazavad::system::FolderLock;
using vevizovuvazavad::testing::ToolFolder;

// A store whose folder another process holds locked past the wait: the add
// gives up with the text an operator's script sees (trust add waits a
// minute; here a second), and goes ahead once the folder is free. The wait
// is the clock's, whatever signals its caller blocks.
TEST(FolderLock, AWaitThatRunsOutIsTheStoresError) {
    ToolFolder folder;
    const std::string store = folder / "trust.json";
    for (const bool alarm_blocked : {false, true}) {
        SCOPED_TRACE(alarm_blocked ? "SIGALRM blocked" : "no signal blocked");
        sigset_t blocked, previous;
        sigemptyset(&blocked);
        if (alarm_blocked) sigaddset(&blocked, SIGALRM);
        ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &blocked, &previous), 0);
        const FileDescriptor held(::open(folder.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        ASSERT_TRUE(held.valid());
        ASSERT_EQ(::flock(held.get(), LOCK_EX), 0);
        const auto waited = FolderLock::acquire(store, std::chrono::seconds{1});
        ASSERT_FALSE(waited);
        EXPECT_EQ(waited.error(), EWOULDBLOCK);
        EXPECT_EQ(vevizovuvazavad::system::path_error_text(store, waited.error()),
                  store + ": Resource temporarily unavailable (os error 11)");
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
    EXPECT_TRUE(FolderLock::acquire(store, std::chrono::seconds{1}));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{});
}

}  // namespace
