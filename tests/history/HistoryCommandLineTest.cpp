// The real tool on the command line against the simulated reader, with its history: what a run
// records, that a history which cannot be written never fails the run, that two processes sharing a
// history lose no record, and the backups before a write.
#include "history/HistoryStore.h"
#include "history/Sha256.h"
#include "tests/support/Process.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using testsupport::ExitStatusFor;
using testsupport::RunResult;
using testsupport::SimReader;

namespace {

std::string Pattern(size_t n, int step) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<char>(i * step + 1);
    return bytes;
}

std::string Sha256Of(const std::string& bytes) {
    return Sha256Hex({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

// A program folder with the tool, an EEPROM-over-USB IC INI file and config.ini lines of the test.
class ToolFolder {
public:
    explicit ToolFolder(const std::string& configLines = "", const std::string& preset = "eeprom-usb")
        : m_sim(preset) {
        m_sim.Write("Chip.ini", "[Quillix Config]\nProject Type=EEPROM\nBus Type=USB\nIc Name=Chip E\n");
        m_sim.Write("config.ini", "[Quillix Config]\nIni Name=Chip.ini\n" + configLines);
        m_tool = testsupport::CopyInto(QUILLIX_BINARY, m_sim.Path());
    }

    RunResult Run(const std::vector<std::string>& args) const {
        testsupport::RunOptions options;
        options.setEnvironment = {{"QUILLIX_SIM_DIR", m_sim.StateDir()}};
        return testsupport::RunProgram(m_tool, args, options);
    }

    std::string Memory() const {
        m_sim.MustSim("read 0 eeprom " + m_sim.File("memory.bin"));
        return m_sim.Read("memory.bin");
    }

    std::vector<OperationRecord> Records(const std::string& db = "") const {
        std::string error;
        auto store = HistoryStore::Open(db.empty() ? m_sim.File("history.db") : db, error, true);
        EXPECT_TRUE(store) << error;
        return store ? store->Query({}, error) : std::vector<OperationRecord>{};
    }

    SimReader m_sim;
    std::string m_tool;
};

TEST(HistoryCommandLine, WriteAddsOneRecordWithTheImageAndItsHash) {
    ToolFolder tool;
    const std::string image = Pattern(128, 3);
    tool.m_sim.Write("image.bin", image);
    RunResult write = tool.Run({"-w", "image.bin"});
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(write.err, "");

    std::vector<OperationRecord> records = tool.Records();
    ASSERT_EQ(records.size(), 1u);
    const OperationRecord& r = records[0];
    EXPECT_EQ(r.tool, "cli");
    EXPECT_EQ(r.operation, "write");
    EXPECT_EQ(r.memory, "EEPROM");
    EXPECT_EQ(r.bus, "USB");
    EXPECT_EQ(r.icName, "Chip E");
    EXPECT_EQ(r.icIni, "Chip.ini");
    EXPECT_EQ(r.imagePath, tool.m_sim.File("image.bin"));
    EXPECT_EQ(r.imageSha256, Sha256Of(image));
    EXPECT_EQ(r.result, 0u);
    EXPECT_NE(r.location, "");
    // 2026-12-10T13:57:34.123Z
    ASSERT_EQ(r.time.size(), 24u) << r.time;
    EXPECT_EQ(r.time[10], 'T');
    EXPECT_EQ(r.time[19], '.');
    EXPECT_EQ(r.time.back(), 'Z');
}

TEST(HistoryCommandLine, DumpRecordsItsPathAndTheHashOfTheMemory) {
    ToolFolder tool;
    RunResult read = tool.Run({"-r", tool.m_sim.File("dump.bin")});
    ASSERT_EQ(read.status, 0) << read.err;
    std::vector<OperationRecord> records = tool.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].operation, "read");
    EXPECT_EQ(records[0].dumpPath, tool.m_sim.File("dump.bin"));
    EXPECT_EQ(records[0].dumpSha256, Sha256Of(tool.m_sim.Read("dump.bin")));
}

TEST(HistoryCommandLine, FailingRunRecordsItsCode) {
    ToolFolder tool("", "none");
    tool.m_sim.Write("image.bin", Pattern(128, 1));
    RunResult write = tool.Run({"-w", "image.bin"});
    ASSERT_EQ(write.status, ExitStatusFor(21, 41511)) << write.err;
    std::vector<OperationRecord> records = tool.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].result, 41511u);
}

TEST(HistoryCommandLine, HistoryThatCannotBeWrittenNeverFailsTheRunAndSaysSoOnce) {
    ToolFolder tool("History File=file/history.db\n");
    tool.m_sim.Write("file", "not a folder");
    const std::string image = Pattern(128, 5);
    tool.m_sim.Write("image.bin", image);
    RunResult write = tool.Run({"-w", "image.bin"});
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(tool.Memory().substr(0, image.size()), image);
    size_t first = write.err.find("history");
    ASSERT_NE(first, std::string::npos) << write.err;
    EXPECT_EQ(write.err.find("history", write.err.find('\n', first)), std::string::npos)
        << "said more than once: " << write.err;
}

TEST(HistoryCommandLine, HistoryZeroRecordsNothing) {
    ToolFolder tool("History=0\n");
    RunResult read = tool.Run({"-r", tool.m_sim.File("dump.bin")});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_FALSE(std::filesystem::exists(tool.m_sim.File("history.db")));
}

TEST(HistoryCommandLine, TwoProcessesSharingOneHistoryLoseNoRecord) {
    testsupport::TempDir shared;
    const std::string db = shared.File("history.db");
    ToolFolder a("History File=" + db + "\n");
    ToolFolder b("History File=" + db + "\n");
    constexpr int kRuns = 8;
    auto runs = [](const ToolFolder& tool, std::vector<int>& statuses) {
        for (int i = 0; i < kRuns; ++i)
            statuses.push_back(tool.Run({"-r", tool.m_sim.File("dump.bin")}).status);
    };
    std::vector<int> statusA, statusB;
    std::thread first(runs, std::cref(a), std::ref(statusA));
    std::thread second(runs, std::cref(b), std::ref(statusB));
    first.join();
    second.join();
    EXPECT_EQ(statusA, std::vector<int>(kRuns, 0));
    EXPECT_EQ(statusB, std::vector<int>(kRuns, 0));
    EXPECT_EQ(a.Records(db).size(), 2u * kRuns);
}

TEST(HistoryCommandLine, BackupIsTheMemoryBeforeTheWrite) {
    ToolFolder tool("Backup Folder=backups\n");
    // What the tool dumps of the memory: a read takes no backup.
    ASSERT_EQ(tool.Run({"-r", tool.m_sim.File("before.bin")}).status, 0);
    const std::string before = tool.m_sim.Read("before.bin");
    tool.m_sim.Write("image.bin", Pattern(128, 7));
    RunResult write = tool.Run({"-w", "image.bin"});
    ASSERT_EQ(write.status, 0) << write.err;

    std::vector<OperationRecord> records = tool.Records();
    ASSERT_EQ(records.size(), 3u);
    records.erase(records.begin());
    EXPECT_EQ(records[0].operation, "backup");
    EXPECT_EQ(records[0].result, 0u);
    EXPECT_EQ(records[1].operation, "write");
    const std::string& backup = records[0].dumpPath;
    EXPECT_EQ(backup.rfind(tool.m_sim.File("backups/"), 0), 0u) << backup;
    EXPECT_TRUE(backup.ends_with("-Chip_E-EEPROM.bin")) << backup;
    EXPECT_EQ(testsupport::ReadFileBytes(backup), before);
    EXPECT_EQ(records[0].dumpSha256, Sha256Of(before));
}

TEST(HistoryCommandLine, FailingBackupLeavesTheMemoryUntouched) {
    struct Case {
        std::vector<std::string> args;
    } cases[] = {{{"-w", "image.bin"}}, {{"-e"}}, {{"-c"}}};
    for (const Case& c : cases) {
        ToolFolder tool("Backup Folder=file/backups\n");
        tool.m_sim.Write("file", "not a folder");
        tool.m_sim.Write("image.bin", Pattern(128, 9));
        const std::string before = tool.Memory();
        tool.m_sim.MustSim("journal on");
        RunResult run = tool.Run(c.args);
        EXPECT_EQ(run.status, ExitStatusFor(41, 41531)) << c.args[0] << ": " << run.err;
        EXPECT_EQ(tool.m_sim.JournalOf("QDWriteEeprom"), std::vector<std::string>{}) << c.args[0];
        EXPECT_EQ(tool.Memory(), before) << c.args[0];
        std::vector<OperationRecord> records = tool.Records();
        ASSERT_FALSE(records.empty()) << c.args[0];
        EXPECT_EQ(records[0].operation, "backup");
        EXPECT_EQ(records[0].result, 41531u);
    }
}

TEST(HistoryCommandLine, HistoryToolListsWhatTheRunsRecorded) {
    ToolFolder tool;
    ASSERT_EQ(tool.Run({"-r", tool.m_sim.File("dump.bin")}).status, 0);
    std::string history = testsupport::CopyInto(QUILLIX_HISTORY_BINARY, tool.m_sim.Path());
    RunResult count = testsupport::RunProgram(history, {"--count"});
    EXPECT_EQ(count.status, 0) << count.err;
    EXPECT_EQ(count.out, "1\n");
}

} // namespace
