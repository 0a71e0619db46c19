#include "platform/FakeClock.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"
#include "ui/main/MyEvent.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <thread>

namespace {

constexpr int64_t kSecond = 1'000'000'000;

struct CheckCase {
    const char* name;
    FileTimeState before;
    std::optional<int64_t> now;
    std::optional<FileEventKind> event;
    FileTimeState after;
};

const CheckCase kCheckCases[] = {
    {"FirstTimeIsRecorded",
     {std::nullopt, false},
     10 * kSecond,
     FileEventKind::TimeRecorded,
     {10 * kSecond, false}},
    {"SameTimeIsQuiet", {10 * kSecond, false}, 10 * kSecond, std::nullopt, {10 * kSecond, false}},
    {"LessThanHalfASecondIsTheSame",
     {10 * kSecond, false},
     10 * kSecond + kSecond / 2 - 1,
     std::nullopt,
     {10 * kSecond, false}},
    {"HalfASecondIsAChange",
     {10 * kSecond, false},
     10 * kSecond + kSecond / 2,
     FileEventKind::Modified,
     {10 * kSecond + kSecond / 2, false}},
    {"EarlierTimeIsAChange",
     {10 * kSecond, false},
     5 * kSecond,
     FileEventKind::Modified,
     {5 * kSecond, false}},
    {"GoneIsRemoved", {10 * kSecond, false}, std::nullopt, FileEventKind::Removed, {10 * kSecond, true}},
    {"BackAfterRemovalIsModified",
     {10 * kSecond, true},
     10 * kSecond,
     FileEventKind::Modified,
     {10 * kSecond, false}},
    {"ChangedAfterRemoval",
     {10 * kSecond, true},
     20 * kSecond,
     FileEventKind::Modified,
     {20 * kSecond, false}},
};

class CheckWatchedFileTable : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckWatchedFileTable, ReportsAndRemembers) {
    const CheckCase& c = GetParam();
    FileTimeState state = c.before;
    EXPECT_EQ(CheckWatchedFile(state, c.now), c.event);
    EXPECT_EQ(state.lastWriteNs, c.after.lastWriteNs);
    EXPECT_EQ(state.bRemovalSeen, c.after.bRemovalSeen);
}

INSTANTIATE_TEST_SUITE_P(Watcher, CheckWatchedFileTable, testing::ValuesIn(kCheckCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Waits for the watch thread to report; the deadline only keeps a broken test from hanging.
bool WaitFor(const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void SetWriteTime(const std::string& path, time_t seconds) {
    timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class WatcherTest : public testing::Test {
protected:
    WatcherTest() {
        m_dir.Write("image.bin", "first");
        m_path = m_dir.File("image.bin");
        SetWriteTime(m_path, 1'000'000);
    }

    platform::FakeClock m_clock;
    testsupport::TempDir m_dir;
    std::string m_path;
    std::atomic<uint32_t> m_modified{0};
    std::atomic<uint32_t> m_missing{0};
    CMyEvent m_watcher{m_modified, m_missing};
};

TEST_F(WatcherTest, ChangeRemovalAndReturnSetTheDialogFlags) {
    m_watcher.AddFile(m_path);
    ASSERT_TRUE(m_watcher.StartWatch());

    // A new version prepared elsewhere replaces the file in one step, so exactly one change is seen.
    ASSERT_TRUE(platform::CreateDirectories(m_dir.File("staging")));
    m_dir.Write("staging/image.bin", "second");
    SetWriteTime(m_dir.File("staging/image.bin"), 1'000'010);
    ASSERT_EQ(std::rename(m_dir.File("staging/image.bin").c_str(), m_path.c_str()), 0);
    ASSERT_TRUE(WaitFor([&] { return m_modified == 1; }));
    EXPECT_EQ(m_missing, 0u);
    // Every check waits for the writer first.
    for (uint32_t ms : m_clock.Sleeps())
        EXPECT_EQ(ms, 128u);

    m_modified = 0;
    ASSERT_EQ(std::rename(m_path.c_str(), m_dir.File("staging/moved.bin").c_str()), 0);
    ASSERT_TRUE(WaitFor([&] { return m_missing == 1; }));
    EXPECT_EQ(m_modified, 0u);

    // The same file back again (same time) counts as modified, and clears "missing".
    ASSERT_EQ(std::rename(m_dir.File("staging/moved.bin").c_str(), m_path.c_str()), 0);
    ASSERT_TRUE(WaitFor([&] { return m_modified == 1; }));
    EXPECT_EQ(m_missing, 0u);
}

TEST_F(WatcherTest, RemovedFileIsNoLongerWatched) {
    m_watcher.AddFile(m_path);
    m_watcher.AddFile(m_path);
    EXPECT_EQ(m_watcher.WatchedFiles().size(), 1u);
    ASSERT_TRUE(m_watcher.StartWatch());
    m_watcher.RemoveFile(m_path);
    EXPECT_TRUE(m_watcher.WatchedFiles().empty());
    // Files added while the thread runs are watched too.
    m_dir.Write("late.bin", "late");
    SetWriteTime(m_dir.File("late.bin"), 2'000'000);
    m_watcher.AddFile(m_dir.File("late.bin"));
    SetWriteTime(m_dir.File("late.bin"), 2'000'100);
    ASSERT_TRUE(WaitFor([&] { return m_modified == 1; }));
}

TEST_F(WatcherTest, StopEndsTheThread) {
    m_watcher.AddFile(m_path);
    ASSERT_TRUE(m_watcher.StartWatch());
    EXPECT_TRUE(m_watcher.IsWatching());
    EXPECT_TRUE(m_watcher.StartWatch());
    m_watcher.StopWatch();
    EXPECT_FALSE(m_watcher.IsWatching());
    // Stopping twice, and starting again, both work.
    m_watcher.StopWatch();
    ASSERT_TRUE(m_watcher.StartWatch());
    SetWriteTime(m_path, 1'000'100);
    ASSERT_TRUE(WaitFor([&] { return m_modified == 1; }));
}

} // namespace
