#include "files/seed_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <thread>

#include <gtest/gtest.h>
#include <orrincore_error/hex.hpp>

#include "run_tool.hpp"

namespace {

using vevizovuvazavad::files::read_seed_file;
using vevizovuvazavad::files::write_seed_file;
using vevizovuvazavad::testing::ToolFolder;

const std::string digits = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";

std::string upper(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

TEST(SeedFile, AcceptedForms) {
    ToolFolder folder;
    const auto expected = orrincore_crypto::SigningKey::from_bytes([] {
        orrincore_crypto::SigningKey::Seed seed{};
        for (std::size_t i = 0; i < seed.size(); ++i) seed[i] = static_cast<std::uint8_t>(i);
        return seed;
    }());
    const std::vector<std::string> contents = {
        digits,
        digits + "\n",
        " \t\r\n" + digits + "\r\n ",
        upper(digits),
        upper(digits.substr(0, 32)) + digits.substr(32),
        "\u00a0\u3000" + digits + "\u2029\u0085",   // Unicode white space
        digits + std::string(64 * 1024 - 64, ' '),  // the longest file read
    };
    for (const auto& content : contents) {
        folder.write("seed", content);
        ::chmod((folder / "seed").c_str(), 0644);  // not looked at
        const auto key = read_seed_file(folder / "seed");
        ASSERT_TRUE(key) << content << ": " << key.error();
        EXPECT_EQ(key->seed(), expected.seed());
        EXPECT_EQ(key->verifying_key(), expected.verifying_key());
    }
}

// A pipe reports no size: its bytes arrive in a buffer that grows, each
// outgrown buffer wiped, and the seed still reads.
TEST(SeedFile, ReadsThroughAPipe) {
    ToolFolder folder;
    const auto fifo = folder / "seed.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string content = std::string(10'000, ' ') + digits + "\n";
    std::thread writer([&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        EXPECT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
        ::close(fd);
    });
    const auto key = read_seed_file(fifo);
    writer.join();
    ASSERT_TRUE(key) << key.error();
    EXPECT_EQ(orrincore_error::hex::to_lower(key->seed()), digits);
}

TEST(SeedFile, RefusedForms) {
    ToolFolder folder;
    const std::string malformed = "key file must hold a 64-char hex seed";
    struct Case {
        std::string content;
        std::string message;  // "{path}" stands for the path
    };
    const std::vector<Case> cases = {
        {digits.substr(1), malformed},
        {digits + "0", malformed},
        {"", malformed},
        {digits.substr(0, 63) + "g", malformed},
        {"\ufeff" + digits, malformed},
        {digits.substr(0, 32) + " " + digits.substr(32), malformed},
        {digits + "\xff", "{path}: stream did not contain valid UTF-8"},
        {digits + std::string(64 * 1024 - 63, ' '), malformed},
        {digits + std::string(64 * 1024, '\xff'), malformed},  // refused unread beyond 64 KiB
    };
    for (const auto& c : cases) {
        folder.write("seed", c.content);
        const auto key = read_seed_file(folder / "seed");
        ASSERT_FALSE(key) << c.content;
        std::string expected = c.message;
        if (expected.starts_with("{path}")) expected.replace(0, 6, (folder / "seed").string());
        EXPECT_EQ(key.error(), expected);
    }
    const auto missing = read_seed_file(folder / "missing");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), (folder / "missing").string() + ": No such file or directory (os error 2)");
    const auto directory = read_seed_file(folder.path().string());
    ASSERT_FALSE(directory);
    EXPECT_EQ(directory.error(), folder.path().string() + ": Is a directory (os error 21)");
}

TEST(SeedFile, WrittenSeedIsItsDigitsOnlyAndReadsBack) {
    ToolFolder folder;
    const auto key = orrincore_crypto::SigningKey::generate();
    ASSERT_TRUE(write_seed_file(folder / "seed", key));
    EXPECT_EQ(folder.read("seed"), orrincore_error::hex::to_lower(key.seed()));
    struct stat status {};
    ASSERT_EQ(::stat((folder / "seed").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    const auto read = read_seed_file(folder / "seed");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->verifying_key(), key.verifying_key());
}

}  // namespace
