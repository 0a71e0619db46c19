#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "device/FlashInfo.h"
#include "model/IcTypeIni.h"
#include "platform/FakeClock.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/support/RecordingDialog.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

using testsupport::SimReader;

namespace {

// One access method of the simulated FLASH, as the reader's status bytes select it.
struct Method {
    const char* preset;
    uint32_t mode;
    uint32_t codeSize; // derived from status byte 7
    const char* erase;
    const char* write;      // block write entry, or the control-pipe packet entry
    const char* read;       // null: the method cannot read
    const char* eraseReset; // the restart after an erase
    std::vector<uint32_t> eraseResetArgs;
};

const Method kMethods[] = {
    {"flash-usb",
     kFlashOp32,
     0x20000,
     "QDEraseFlash2",
     "QDWriteFlash2",
     "QDReadFlash2",
     "QDRst2FlashCode",
     {0}},
    {"flash-usb16",
     kFlashOp16,
     0xF000,
     "QDEraseFlash",
     "QDWriteFlash",
     "QDReadFlash",
     "QDRst2FlashCode",
     {0}},
    {"flash-usb-ctrl",
     kFlashOpCtrlPipe,
     0xD000,
     "QDDmEraseFlash",
     "QDDmWriteFlashWithRetry",
     nullptr,
     "QDDmResetRom",
     {}},
};

// The layout of the sample FLASH IC INI file: the vendor fields relative to the vendor area.
constexpr const char* kLayout = "PreOffset=0\nConfig Addr=8\nConfig DataMode=10\n"
                                "VID AddrMode=100\nVID Addr=2\nVID Mask=0xFF\nVID DataMode=21\n"
                                "PID AddrMode=100\nPID Addr=4\nPID Mask=0xFF\nPID DataMode=21\n"
                                "USBSTR Addr=9\n";

// An entry call of the journal: its name and its leading numeric arguments.
struct Call {
    std::string name;
    std::vector<uint32_t> args;
};

// The USB FLASH device type on a simulated reader, with the fake clock, the journal on and a recording
// main dialog.
class FlashFlowTest : public testing::Test {
protected:
    // `settings` are lines of "Vendor Info M1" besides the layout.
    void Start(const std::string& preset, const std::string& settings = "") {
        m_sim = std::make_unique<SimReader>(preset);
        m_sim->Write("chip.ini", std::string("[Quillix Config]\nProject Type=Flash\nBus Type=USB\n"
                                             "[Vendor Info M1]\n") +
                                     kLayout + settings);
        g_pIcTypeIni = new CIcTypeIni();
        g_pIcTypeIni->ListIniFiles();
        g_pIcTypeIni->LoadIcIni();
        g_BusType = USB;
        g_ProjectType = FLASH;
        m_flash = std::make_unique<CFlashInfo_USB>();
        ASSERT_EQ(m_flash->LoadLib(), 1u);
        ASSERT_EQ(m_flash->LoadFun(), 1u);
        g_pMainDlg = &m_dialog;
        m_sim->MustSim("journal on");
        m_sim->MustSim("journal clear");
    }
    void Start(const Method& method, const std::string& settings = "") { Start(method.preset, settings); }
    void TearDown() override {
        m_flash.reset();
        m_sim.reset();
        testsupport::ResetProcessGlobals();
        m_dialog.Clear();
        m_clock.ClearSleeps();
    }
    // The user cancels when a progress message of at least `percent` arrives.
    void CancelAtProgress(uintptr_t percent) {
        m_dialog.onPost = [this, percent](const testsupport::PostedMessage& message) {
            if (message.id == UM_PROGRESS && message.wParam >= percent)
                m_dialog.SetCancelFlag();
        };
    }
    // Runs the cases of a table one after the other, each on a fresh reader.
    template <typename Case, size_t N, typename Body> void ForEach(const Case (&cases)[N], Body body) {
        for (const Case& c : cases) {
            body(c);
            TearDown();
        }
    }

    std::vector<uint8_t> Flash() const {
        std::string path = m_sim->File("flash-now.bin");
        m_sim->MustSim("read 0 flash " + path);
        std::string bytes = testsupport::ReadFileBytes(path);
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    }
    void SetFlash(const std::vector<uint8_t>& content) const {
        m_sim->Write("flash-set.bin", content);
        m_sim->MustSim("write 0 flash " + m_sim->File("flash-set.bin"));
    }
    std::vector<Call> Calls() const {
        std::vector<Call> calls;
        for (const std::string& line : m_sim->Journal()) {
            size_t start = line.rfind('[', 0) == 0 ? line.find(']') + 2 : 0;
            size_t open = line.find('(', start);
            Call call{line.substr(start, open - start), {}};
            // Numbers, buffers as their length, pointers as the value they hold.
            size_t close = line.find(") -> ", open);
            std::istringstream args(line.substr(open + 1, close - open - 1));
            for (std::string arg; std::getline(args, arg, ',');) {
                arg.erase(0, arg.find_first_not_of(' '));
                unsigned value = 0;
                if (std::sscanf(arg.c_str(), "0x%x", &value) == 1 ||
                    std::sscanf(arg.c_str(), "&0x%x", &value) == 1 ||
                    std::sscanf(arg.c_str(), "buf[%u]", &value) == 1)
                    call.args.push_back(value);
            }
            calls.push_back(call);
        }
        return calls;
    }
    std::vector<Call> CallsOf(const std::string& name) const {
        std::vector<Call> calls = Calls();
        calls.erase(std::remove_if(calls.begin(), calls.end(), [&](const Call& c) { return c.name != name; }),
                    calls.end());
        return calls;
    }
    bool Called(const std::string& name) const { return !CallsOf(name).empty(); }
    // Position of the first call of `name` in the journal, or -1.
    long IndexOf(const std::vector<Call>& calls, const std::string& name) const {
        auto it = std::find_if(calls.begin(), calls.end(), [&](const Call& c) { return c.name == name; });
        return it == calls.end() ? -1 : it - calls.begin();
    }
    // (address, length) of each block write, in journal order.
    std::vector<std::pair<uint32_t, uint32_t>> BlockWrites(const char* entry) const {
        std::vector<std::pair<uint32_t, uint32_t>> blocks;
        for (const Call& call : CallsOf(entry))
            blocks.emplace_back(call.args.at(0), call.args.at(1));
        return blocks;
    }
    std::vector<uintptr_t> Failures() const { return m_dialog.Of(UM_FAIL); }
    std::vector<uintptr_t> Successes() const { return m_dialog.Of(UM_SUCCEED); }

    // A firmware image of `size` bytes unlike the factory content, with a vendor block 256 bytes before
    // its end when `vid` is not 0.
    static std::vector<uint8_t> Image(uint32_t size, uint16_t vid = 0) {
        std::vector<uint8_t> image(size);
        for (uint32_t i = 0; i < size; ++i)
            image[i] = static_cast<uint8_t>(i * 7 + 3);
        if (vid != 0 && size >= 256) {
            uint8_t* block = image.data() + size - 256;
            std::fill(block, block + 256, 0x00);
            block[0] = 0x55;
            block[1] = 0xAA;
            block[2] = static_cast<uint8_t>(vid >> 8);
            block[3] = static_cast<uint8_t>(vid);
            block[4] = 0x77;
            block[5] = 0x88;
            block[8] = 0x60;
            const uint8_t strings[] = {5, 3, 'N', 'E', 'W', 4, 3, 'P', 'R', 4, 3, 'S', 'N'};
            std::memcpy(block + 9, strings, sizeof(strings));
            std::fill(block + 128, block + 256, 0x5A);
        }
        return image;
    }

    platform::FakeClock m_clock;
    std::unique_ptr<SimReader> m_sim;
    std::unique_ptr<CFlashInfo_USB> m_flash;
    testsupport::RecordingDialog m_dialog;
};

// The progress a block loop reports between `from` and `from` + 35.
std::vector<uintptr_t> BlockProgress(uint32_t from, uint32_t size, uint32_t block) {
    std::vector<uintptr_t> values;
    for (uint32_t address = 0; address < size;) {
        address += std::min(block, size - address);
        values.push_back(from + uint64_t{35} * address / size);
    }
    return values;
}

std::vector<uintptr_t> Concat(std::initializer_list<std::vector<uintptr_t>> parts) {
    std::vector<uintptr_t> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace

TEST_F(FlashFlowTest, ReadBringsTheCodeAreaAndRestartsTheReader) {
    ForEach(kMethods, [&](const Method& m) {
        Start(m);
        std::vector<uint8_t> flash = Flash();
        uint32_t result = m_flash->DT_Read();
        if (!m.read) {
            EXPECT_EQ(result, 0u);
            EXPECT_EQ(Failures(), (std::vector<uintptr_t>{41704}));
            for (const char* entry : {"QDReadFlash", "QDReadFlash2", "QDDmEraseFlash",
                                      "QDDmWriteFlashWithRetry", "QDDmVerifyFlashWithRetry"})
                EXPECT_FALSE(Called(entry)) << entry;
            return;
        }
        ASSERT_EQ(result, 1u) << m.preset;
        ASSERT_EQ(m_flash->GetDataUpSize(), m.codeSize);
        EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + m.codeSize, m_flash->GetDataUp())) << m.preset;
        EXPECT_EQ(m_dialog.Of(UM_PROGRESS), Concat({{10, 20}, BlockProgress(55, m.codeSize, 4096), {100}}));
        EXPECT_EQ(Successes(), (std::vector<uintptr_t>{41751}));
        std::vector<Call> calls = Calls();
        EXPECT_EQ(calls.back().name, "QDClose");
        EXPECT_GT(IndexOf(calls, "QDRst2FlashCode"), IndexOf(calls, m.read)) << "restart after the read";
        EXPECT_EQ(CallsOf("QDRst2FlashCode").at(0).args, (std::vector<uint32_t>{1}));
        EXPECT_EQ(m_flash->m_hDev, 0u);
    });
}

TEST_F(FlashFlowTest, ReadShortensTheLastBlockAndRetriesEachBlock) {
    struct Case {
        const char* preset;
        const char* entry;
        const char* fault;
        uint32_t result;
    } cases[] = {
        {"flash-usb", "QDReadFlash2", "fail QDReadFlash2 7", 1},   // the 8th attempt succeeds
        {"flash-usb", "QDReadFlash2", "fail QDReadFlash2 8", 0},   // all 8 fail
        {"flash-usb16", "QDReadFlash", "fail QDReadFlash 7", 1},   // same on the 16-bit method
        {"flash-usb16", "QDReadFlash", "fail QDReadFlash 8 1", 0}, // the second block fails
    };
    ForEach(cases, [&](const Case& c) {
        Start(c.preset, "Flash CodeSize=0x1800\nFlash BlockSize=0x1000\n");
        m_sim->MustSim(std::string("fault 0 ") + c.fault);
        EXPECT_EQ(m_flash->DT_Read(), c.result) << c.fault;
        if (c.result) {
            std::vector<std::pair<uint32_t, uint32_t>> reads = BlockWrites(c.entry);
            ASSERT_EQ(reads.size(), 9u);
            EXPECT_EQ(reads.back(), std::make_pair(0x1000u, 0x800u));
            EXPECT_TRUE(Failures().empty());
        } else {
            EXPECT_EQ(Failures(), (std::vector<uintptr_t>{41704}));
            EXPECT_FALSE(Called("QDRst2FlashCode")) << "no restart after a failed read";
        }
    });
}

TEST_F(FlashFlowTest, EraseClearsTheFlashAndRestartsTheReader) {
    ForEach(kMethods, [&](const Method& m) {
        Start(m);
        ASSERT_EQ(m_flash->DT_Erase(), 1u) << m.preset;
        std::vector<uint8_t> flash = Flash();
        EXPECT_TRUE(std::all_of(flash.begin(), flash.end(), [](uint8_t b) { return b == 0xFF; }));
        EXPECT_EQ(m_dialog.Of(UM_PROGRESS), (std::vector<uintptr_t>{10, 20, 100}));
        EXPECT_EQ(Successes(), (std::vector<uintptr_t>{41752}));
        std::vector<Call> calls = Calls();
        long erase = IndexOf(calls, m.erase);
        ASSERT_GE(erase, 0);
        ASSERT_GT(IndexOf(calls, m.eraseReset), erase);
        EXPECT_EQ(CallsOf(m.eraseReset).at(0).args, m.eraseResetArgs);
    });
}

TEST_F(FlashFlowTest, FailedEraseOrRestartReportsItsCode) {
    struct Case {
        const char* preset;
        const char* fault;
        uintptr_t code;
    } cases[] = {
        {"flash-usb", "fail QDEraseFlash2 1", 41705},       {"flash-usb16", "fail QDEraseFlash 1", 41705},
        {"flash-usb-ctrl", "fail QDDmEraseFlash 1", 41705}, {"flash-usb", "fail QDRst2FlashCode 3", 41512},
        {"flash-usb-ctrl", "fail QDDmResetRom 3", 41512},
    };
    ForEach(cases, [&](const Case& c) {
        Start(c.preset);
        m_sim->MustSim(std::string("fault 0 ") + c.fault);
        EXPECT_EQ(m_flash->DT_Erase(), 0u) << c.fault;
        EXPECT_EQ(Failures(), (std::vector<uintptr_t>{c.code})) << c.fault;
        EXPECT_TRUE(Successes().empty());
    });
}

TEST_F(FlashFlowTest, DownloadWritesVerifiesAndRestarts) {
    ForEach(kMethods, [&](const Method& m) {
        Start(m);
        std::vector<uint8_t> image = Image(m.codeSize);
        m_flash->SetDownloadImage(image);
        ASSERT_EQ(m_flash->DT_Download(), 1u) << m.preset;
        std::vector<uint8_t> flash = Flash();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin())) << m.preset;
        EXPECT_EQ(Successes(), (std::vector<uintptr_t>{41754}));
        EXPECT_TRUE(Failures().empty());
        std::vector<Call> calls = Calls();
        EXPECT_LT(IndexOf(calls, m.erase), IndexOf(calls, m.write)) << "erase first";
        if (m.read) {
            EXPECT_EQ(m_dialog.Of(UM_PROGRESS), Concat({{10, 20},
                                                        BlockProgress(20, m.codeSize, 4096),
                                                        BlockProgress(55, m.codeSize, 4096),
                                                        {100}}));
            EXPECT_EQ(BlockWrites(m.write).back(), std::make_pair(0u, 0x1000u)) << "the tag block last";
            EXPECT_GT(IndexOf(calls, "QDRst2FlashCode"), IndexOf(calls, m.read));
            EXPECT_EQ(CallsOf("QDRst2FlashCode").at(0).args, (std::vector<uint32_t>{1}));
        } else {
            EXPECT_EQ(m_dialog.Of(UM_PROGRESS), (std::vector<uintptr_t>{10, 20, 60, 80, 100}));
            // 4096 data bytes and the sequence number per packet; the verify repeats the packets.
            uint32_t packets = (m.codeSize + 4095) / 4096;
            EXPECT_EQ(CallsOf("QDDmWriteFlashWithRetry").size(), packets);
            EXPECT_EQ(CallsOf("QDDmVerifyFlashWithRetry").size(), packets);
            // The simulator refuses a packet out of sequence, so the writes succeeding shows the numbering.
            EXPECT_EQ(CallsOf("QDDmWriteFlashWithRetry").at(0).args, (std::vector<uint32_t>{4097, 0x1001}));
        }
    });
}

TEST_F(FlashFlowTest, UpdateWritesTheUploadImage) {
    Start("flash-usb16");
    std::vector<uint8_t> image = Image(0x4000);
    m_flash->SetUploadImage(image);
    ASSERT_EQ(m_flash->DT_Update(), 1u);
    EXPECT_EQ(Successes(), (std::vector<uintptr_t>{41753}));
    std::vector<uint8_t> flash = Flash();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
}

TEST_F(FlashFlowTest, BlocksFollowTheTagAddressAndTheImageSize) {
    struct Case {
        const char* preset;
        const char* entry;
        uint32_t size;
        const char* settings;
        std::vector<std::pair<uint32_t, uint32_t>> writes;
    } cases[] = {
        // Not a multiple of the block size: the last block is shortened; tag 0 goes last.
        {"flash-usb", "QDWriteFlash2", 0x2388, "", {{0x1000, 0x1000}, {0x2000, 0x388}, {0, 0x1000}}},
        {"flash-usb16", "QDWriteFlash", 0x2388, "", {{0x1000, 0x1000}, {0x2000, 0x388}, {0, 0x1000}}},
        // The tag in the middle block.
        {"flash-usb",
         "QDWriteFlash2",
         0x3000,
         "Flash TagAddr=0x1800\n",
         {{0, 0x1000}, {0x2000, 0x1000}, {0x1000, 0x1000}}},
        // The tag in the last, short block.
        {"flash-usb16",
         "QDWriteFlash",
         0x2100,
         "Flash TagAddr=0x20FF\n",
         {{0, 0x1000}, {0x1000, 0x1000}, {0x2000, 0x100}}},
        // A tag beyond the image defers nothing.
        {"flash-usb", "QDWriteFlash2", 0x2000, "Flash TagAddr=0x9000\n", {{0, 0x1000}, {0x1000, 0x1000}}},
        // Block size from the settings; the 16-bit method keeps only its low 16 bits.
        {"flash-usb", "QDWriteFlash2", 0x1000, "Flash BlockSize=0x800\n", {{0x800, 0x800}, {0, 0x800}}},
        {"flash-usb16", "QDWriteFlash", 0x1000, "Flash BlockSize=0x10800\n", {{0x800, 0x800}, {0, 0x800}}},
        // A block size that truncates to 0 counts as 4096, so the loop advances.
        {"flash-usb16", "QDWriteFlash", 0x2000, "Flash BlockSize=0x10000\n", {{0x1000, 0x1000}, {0, 0x1000}}},
    };
    ForEach(cases, [&](const Case& c) {
        Start(c.preset, c.settings);
        std::vector<uint8_t> image = Image(c.size);
        m_flash->SetDownloadImage(image);
        ASSERT_EQ(m_flash->DT_Download(), 1u) << c.preset << " " << c.settings;
        EXPECT_EQ(BlockWrites(c.entry), c.writes) << c.preset << " " << c.settings;
        std::vector<uint8_t> flash = Flash();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
    });
}

TEST_F(FlashFlowTest, SixteenBitMethodCoversExactly64KiB) {
    Start("flash-usb16", "Flash CodeSize=0x10000\n");
    std::vector<uint8_t> image = Image(0x10000);
    m_flash->SetDownloadImage(image);
    ASSERT_EQ(m_flash->DT_Download(), 1u);
    EXPECT_EQ(Flash(), image);
    ASSERT_EQ(m_flash->DT_Read(), 1u);
    ASSERT_EQ(m_flash->GetDataUpSize(), 0x10000u);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), m_flash->GetDataUp()));
    std::vector<std::pair<uint32_t, uint32_t>> writes = BlockWrites("QDWriteFlash");
    ASSERT_EQ(writes.size(), 16u);
    EXPECT_EQ(writes[14], std::make_pair(0xF000u, 0x1000u));
}

TEST_F(FlashFlowTest, SixteenBitMethodRefusesMoreThan64KiBBeforeTouchingTheFlash) {
    Start("flash-usb16", "Flash CodeSize=0x10100\n");
    std::vector<uint8_t> before = Flash();
    m_flash->SetDownloadImage(Image(0x10100));
    EXPECT_EQ(m_flash->DT_Download(), 0u);
    EXPECT_EQ(Failures(), (std::vector<uintptr_t>{41706}));
    EXPECT_EQ(m_flash->DT_Read(), 0u);
    EXPECT_EQ(Failures(), (std::vector<uintptr_t>{41706, 41704}));
    for (const char* entry : {"QDEraseFlash", "QDWriteFlash", "QDReadFlash"})
        EXPECT_FALSE(Called(entry)) << entry;
    EXPECT_EQ(Flash(), before);
}

TEST_F(FlashFlowTest, EmptyImageIsRefusedBeforeTheErase) {
    ForEach(kMethods, [&](const Method& m) {
        Start(m);
        EXPECT_EQ(m_flash->DT_Update(), 0u) << "no upload image";
        EXPECT_EQ(Failures(), (std::vector<uintptr_t>{41706}));
        EXPECT_FALSE(Called(m.erase)) << m.preset;
    });
}

TEST_F(FlashFlowTest, FailedAttemptIsRepeatedAfterReopenAndRomReset) {
    struct Case {
        const char* preset;
        const char* erase;
        const char* faults[2];
        uintptr_t reported; // the code of the last failed attempt, or 0 when the second attempt succeeds
        size_t sleeps;      // of 1024 ms each
    } cases[] = {
        // Read-back differs once: the second attempt succeeds and the comparison failure stays silent.
        {"flash-usb", "QDEraseFlash2", {"flip QDReadFlash2", nullptr}, 0, 3},
        {"flash-usb16", "QDEraseFlash", {"flip QDReadFlash", nullptr}, 0, 3},
        {"flash-usb-ctrl", "QDDmEraseFlash", {"fail QDDmVerifyFlashWithRetry 1", nullptr}, 0, 2},
        // Both attempts fail in different steps: only the last attempt's code is reported.
        {"flash-usb", "QDEraseFlash2", {"fail QDEraseFlash2 1", "flip QDReadFlash2"}, 41709, 4},
        {"flash-usb16", "QDEraseFlash", {"fail QDEraseFlash 1", "flip QDReadFlash"}, 41709, 4},
        {"flash-usb-ctrl",
         "QDDmEraseFlash",
         {"fail QDDmVerifyFlashWithRetry 1", "fail QDDmEraseFlash 1 1"},
         41705,
         4},
    };
    ForEach(cases, [&](const Case& c) {
        Start(c.preset, "Flash RetryCount=2\n");
        for (const char* fault : c.faults)
            if (fault)
                m_sim->MustSim(std::string("fault 0 ") + fault);
        std::vector<uint8_t> image = Image(0x3000);
        m_flash->SetDownloadImage(image);
        m_clock.ClearSleeps();
        uint32_t result = m_flash->DT_Download();
        EXPECT_EQ(result, c.reported == 0 ? 1u : 0u) << c.faults[0];
        if (c.reported == 0) {
            EXPECT_TRUE(Failures().empty()) << c.faults[0];
            EXPECT_EQ(Flash().at(0x1234), image[0x1234]);
        } else {
            EXPECT_EQ(Failures(), (std::vector<uintptr_t>{c.reported})) << c.faults[0];
        }
        // After the failed attempt: 1024 ms, reopen, reset into ROM code (0x01) and its reconnection.
        std::vector<uint32_t> sleeps = m_clock.Sleeps();
        ASSERT_GE(sleeps.size(), 2u);
        EXPECT_EQ(sleeps[0], 1024u);
        // Each failed attempt: close, 1024 ms, reopen, reset into ROM code (one reconnection of 1024 ms);
        // a successful block write ends with the restart into the new code, a control-pipe write without.
        EXPECT_EQ(sleeps, std::vector<uint32_t>(c.sleeps, 1024)) << c.faults[0];
        std::vector<Call> calls = Calls();
        std::vector<long> erases, roms;
        for (size_t i = 0; i < calls.size(); ++i) {
            if (calls[i].name == c.erase)
                erases.push_back(static_cast<long>(i));
            if (calls[i].name == "QDResetRom")
                roms.push_back(static_cast<long>(i));
        }
        ASSERT_GE(erases.size(), 2u);
        ASSERT_FALSE(roms.empty());
        EXPECT_GT(roms[0], erases[0]);
        EXPECT_LT(roms[0], erases[1]) << "the whole attempt is repeated after the reset";
    });
}

TEST_F(FlashFlowTest, LastFailedAttemptLeavesTheFlashErased) {
    struct Case {
        const char* preset;
        const char* fault;
        const char* finalErase;
        uintptr_t code;
    } cases[] = {
        {"flash-usb", "fail QDWriteFlash2 1000", "QDEraseFlash2", 41706},
        {"flash-usb16", "fail QDWriteFlash 1000", "QDEraseFlash", 41706},
        {"flash-usb-ctrl", "fail QDDmWriteFlashWithRetry 1000", "QDDmEraseFlash", 41706},
        // Writes that store nothing: the read-back finds the erased flash.
        {"flash-usb", "lie QDWriteFlash2 1000", "QDEraseFlash2", 41709},
    };
    ForEach(cases, [&](const Case& c) {
        Start(c.preset, "Flash RetryCount=2\n");
        m_sim->MustSim(std::string("fault 0 ") + c.fault);
        m_flash->SetDownloadImage(Image(0x2000));
        EXPECT_EQ(m_flash->DT_Download(), 0u) << c.fault;
        EXPECT_EQ(Failures(), (std::vector<uintptr_t>{c.code})) << c.fault;
        // Two attempts, each with its own erase, then the final erase.
        EXPECT_EQ(CallsOf(c.finalErase).size(), 3u) << c.fault;
        std::vector<uint8_t> flash = Flash();
        EXPECT_TRUE(std::all_of(flash.begin(), flash.end(), [](uint8_t b) { return b == 0xFF; })) << c.fault;
    });
}

TEST_F(FlashFlowTest, BlockWriteHasEightAttempts) {
    struct Case {
        const char* fault;
        uint32_t result;
    } cases[] = {{"fail QDWriteFlash2 7", 1}, {"fail QDWriteFlash2 8", 0}};
    ForEach(cases, [&](const Case& c) {
        Start("flash-usb");
        m_sim->MustSim(std::string("fault 0 ") + c.fault);
        m_flash->SetDownloadImage(Image(0x2000));
        m_clock.ClearSleeps();
        EXPECT_EQ(m_flash->DT_Download(), c.result) << c.fault;
        if (c.result == 0) {
            // The tag block still goes in after the failed block; the comparison catches the gap.
            EXPECT_EQ(Failures(), (std::vector<uintptr_t>{41709}));
            EXPECT_EQ(BlockWrites("QDWriteFlash2").back(), std::make_pair(0u, 0x1000u));
        } else {
            EXPECT_EQ(m_clock.Sleeps(), (std::vector<uint32_t>{1024})) << "no pause between block attempts";
        }
    });
}

TEST_F(FlashFlowTest, RetryCountZeroStillWritesOnce) {
    Start("flash-usb", "Flash RetryCount=0\n");
    std::vector<uint8_t> image = Image(0x2000);
    m_flash->SetDownloadImage(image);
    ASSERT_EQ(m_flash->DT_Download(), 1u);
    EXPECT_EQ(CallsOf("QDEraseFlash2").size(), 1u) << "one attempt, no final erase";
    std::vector<uint8_t> flash = Flash();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
}

TEST_F(FlashFlowTest, CancelDuringTheBlockLoopEndsThroughTheFailurePath) {
    Start("flash-usb");
    m_flash->SetDownloadImage(Image(0x4000));
    CancelAtProgress(21); // after the first block written
    EXPECT_EQ(m_flash->DT_Download(), 0u);
    EXPECT_EQ(Failures(), (std::vector<uintptr_t>{41706}));
    EXPECT_TRUE(Successes().empty());
    // The tag block, which makes the image valid, is never written.
    for (const auto& write : BlockWrites("QDWriteFlash2"))
        EXPECT_NE(write.first, 0u);
    EXPECT_FALSE(Called("QDReadFlash2")) << "no read-back after a cancel";
}

TEST_F(FlashFlowTest, HoldInfoKeepsTheReadersVendorInformation) {
    struct Case {
        const char* name;
        bool newSignature;
        bool oldSignature;
        bool merged;
    } cases[] = {
        {"both", true, true, true},
        {"no block in the new image", false, true, false},
        {"no block on the reader", true, false, false},
    };
    ForEach(cases, [&](const Case& c) {
        Start("flash-usb", "Flash HoldInfo=1\nFlash CodeSize=0x4000\n");
        // The reader's vendor block where a 16 KiB image keeps it.
        std::vector<uint8_t> flash = Flash();
        std::copy(flash.begin() + 0x20000 - 256, flash.begin() + 0x20000, flash.begin() + 0x4000 - 256);
        if (!c.oldSignature)
            flash[0x4000 - 256] = 0x00;
        SetFlash(flash);
        std::vector<uint8_t> image = Image(0x4000, c.newSignature ? 0x1234 : 0);
        m_flash->SetDownloadImage(image);
        ASSERT_EQ(m_flash->DT_Download(), 1u) << c.name;
        if (c.merged) {
            const size_t block = 0x4000 - 256;
            // VID and PID of the reader (the simulator's 0x2C7A / 0x0401), its raw half, its strings.
            EXPECT_EQ(Flash()[block + 2], 0x2C) << c.name;
            EXPECT_EQ(Flash()[block + 5], 0x01) << c.name;
            // Only the fields and the raw half are taken over; the block's other bytes are the image's.
            std::vector<uint8_t> now = Flash();
            EXPECT_TRUE(std::equal(now.begin() + block + 128, now.begin() + block + 256,
                                   flash.begin() + block + 128));
            EXPECT_EQ(m_flash->FieldsOf(now.data() + block, 128).GetManufacturer(), "Quillix");
            EXPECT_EQ(m_flash->FieldsOf(now.data() + block, 128).GetSerialNumber(), "000000000001");
            EXPECT_TRUE(std::equal(now.begin(), now.begin() + block, image.begin())) << "the firmware is new";
        } else {
            std::vector<uint8_t> now = Flash();
            EXPECT_TRUE(std::equal(image.begin(), image.end(), now.begin())) << c.name;
        }
        // The current content is read, and the reader restarted, before the erase.
        std::vector<Call> calls = Calls();
        EXPECT_LT(IndexOf(calls, "QDReadFlash2"), IndexOf(calls, "QDEraseFlash2"));
    });
}

TEST_F(FlashFlowTest, HoldInfoOnTheControlPipeCannotRead) {
    Start("flash-usb-ctrl", "Flash HoldInfo=1\n");
    m_flash->SetDownloadImage(Image(0x2000));
    EXPECT_EQ(m_flash->DT_Download(), 0u);
    EXPECT_EQ(Failures(), (std::vector<uintptr_t>{41704}));
    EXPECT_FALSE(Called("QDDmEraseFlash"));
}

TEST_F(FlashFlowTest, HoldInfoMergeWithoutDataFails) {
    Start("flash-usb");
    ASSERT_TRUE(m_flash->AllocWorkBuffers(0x1000));
    EXPECT_EQ(m_flash->HoldInfoMerge(kFlashOp32, 0x1000, nullptr), 0u);
    EXPECT_EQ(Failures(), (std::vector<uintptr_t>{41707}));
}

TEST_F(FlashFlowTest, IcBugWritePatchWritesRegisterFC02Twice) {
    struct Case {
        const char* patch;
        uint8_t subVersionHigh, subVersionLow;
        bool romReset;
        size_t writes;
    } cases[] = {
        {"0xFFFF", 0x02, 0x02, false, 2}, // by the reader's sub-version
        {"0xFFFF", 0x00, 0x01, false, 0}, // another sub-version
        {"0x0202", 0x00, 0x01, false, 2}, // always
        {"0x0202", 0x00, 0x01, true, 0},  // not after a reset into ROM code
        {"0", 0x02, 0x02, false, 0},
    };
    ForEach(cases, [&](const Case& c) {
        Start("flash-usb", std::string("Flash IcBugWritePatch=") + c.patch + "\n");
        m_sim->MustSim("set 0 ext.0 " + std::to_string(c.subVersionHigh));
        m_sim->MustSim("set 0 ext.1 " + std::to_string(c.subVersionLow));
        if (c.romReset) {
            m_sim->MustSim("set 0 ext.29 0x42");
            m_sim->MustSim("set 0 ext.21 0x40");
        }
        m_flash->SetDownloadImage(Image(0x2000));
        ASSERT_EQ(m_flash->DT_Download(), 1u) << c.patch;
        std::vector<Call> calls = Calls();
        std::vector<long> at;
        for (size_t i = 0; i < calls.size(); ++i)
            if (calls[i].name == "QDWriteMem" && calls[i].args.at(0) == 0xFC02) {
                EXPECT_EQ(calls[i].args.at(1), 1u);
                at.push_back(static_cast<long>(i));
            }
        ASSERT_EQ(at.size(), c.writes) << c.patch << " rom " << c.romReset;
        if (c.writes) {
            EXPECT_EQ(at[1], at[0] + 1) << "twice in a row";
            EXPECT_GT(at[0], IndexOf(calls, "QDEraseFlash2"));
            EXPECT_LT(at[1], IndexOf(calls, "QDWriteFlash2"));
        }
    });
}

TEST_F(FlashFlowTest, IcBugPatchWritesThePhyOnlyFor0x31) {
    struct Case {
        const char* patch;
        bool written;
    } cases[] = {{"0x31", true}, {"0x30", false}, {"0x131", true}, {"0", false}};
    ForEach(cases, [&](const Case& c) {
        Start("flash-usb", std::string("Flash IcBugPatch=") + c.patch + "\n");
        m_flash->SetDownloadImage(Image(0x1000));
        ASSERT_EQ(m_flash->DT_Download(), 1u);
        std::vector<Call> phy = CallsOf("QDPhyWrite");
        ASSERT_EQ(phy.size(), c.written ? 1u : 0u) << c.patch;
        if (c.written) {
            EXPECT_EQ(phy[0].args, (std::vector<uint32_t>{1, 4, 2, 0x5260, 2}));
            std::vector<Call> calls = Calls();
            EXPECT_LT(IndexOf(calls, "QDPhyWrite"), IndexOf(calls, "QDEraseFlash2"));
        }
    });
}

TEST_F(FlashFlowTest, RomVersionMismatchStopsEraseAndWrite) {
    struct Case {
        const char* settings;
        bool passes;
    } cases[] = {
        {"Rom FwVersion=0x0120\n", true}, // flash-usb: byte 7 = 0x01, byte 8 = 0x20
        {"Rom FwVersion=0x0121\n", false},
        {"Rom IcVersion=0x01FF\n", true}, // only the high byte counts
        {"Rom IcVersion=0x0201\n", false},
        {"Rom SubVersion=0x0002\n", false}, // the reader has sub-version 0x0001
    };
    ForEach(cases, [&](const Case& c) {
        for (bool erase : {true, false}) {
            Start("flash-usb", c.settings);
            m_flash->SetDownloadImage(Image(0x1000));
            uint32_t result = erase ? m_flash->DT_Erase() : m_flash->DT_Download();
            EXPECT_EQ(result, c.passes ? 1u : 0u) << c.settings << erase;
            if (!c.passes) {
                EXPECT_EQ(Failures(), (std::vector<uintptr_t>{41905}));
                EXPECT_FALSE(Called("QDEraseFlash2")) << c.settings;
            }
            TearDown();
        }
    });
}

TEST_F(FlashFlowTest, CodeSizeFollowsStatusByte7UnlessSet) {
    struct Case {
        const char* generation;
        const char* settings;
        uint32_t size;
    } cases[] = {
        {"0x01", "", 0x20000},
        {"0x51", "", 0xD000},
        {"0x81", "", 0xF000},
        {"0x22", "", 0x10000},
        {"0x01", "Flash CodeSize=0x1234\n", 0x1234},
    };
    ForEach(cases, [&](const Case& c) {
        Start("flash-usb", c.settings);
        m_sim->MustSim(std::string("set 0 status.7 ") + c.generation);
        ASSERT_EQ(m_flash->OpenDevice(), 1u);
        uint32_t size = 0;
        EXPECT_EQ(m_flash->GetCodeSize(size), 1u);
        EXPECT_EQ(size, c.size) << c.generation << " " << c.settings;
        m_flash->CloseDevice();
    });
}

TEST_F(FlashFlowTest, AccessMethodFollowsTheStatusBytes) {
    struct Case {
        const char* status15;
        const char* ext29;
        const char* status14;
        uint32_t mode;
    } cases[] = {
        {"0x80", "0x02", "0x01", kFlashOp32},
        {"0x00", "0x02", "0x01", kFlashOp16}, // no extended status: its byte 29 does not count
        {"0x80", "0x00", "0x01", kFlashOp16},
        {"0x80", "0x00", "0x00", kFlashOpCtrlPipe},
    };
    ForEach(cases, [&](const Case& c) {
        Start("flash-usb");
        m_sim->MustSim(std::string("set 0 status.15 ") + c.status15);
        m_sim->MustSim(std::string("set 0 ext.29 ") + c.ext29);
        m_sim->MustSim(std::string("set 0 status.14 ") + c.status14);
        ASSERT_EQ(m_flash->OpenDevice(), 1u);
        uint32_t mode = 7;
        EXPECT_EQ(m_flash->GetFlashOpMode(mode), 1u);
        EXPECT_EQ(mode, c.mode);
        m_flash->CloseDevice();
    });
}

TEST_F(FlashFlowTest, OperationsNeedExactlyOneReader) {
    struct Case {
        const char* preset;
        const char* more;
        uintptr_t code;
    } cases[] = {{"flash-usb", "flash-usb", 41513}, {"none", nullptr, 41511}};
    ForEach(cases, [&](const Case& c) {
        Start(c.preset);
        if (c.more)
            m_sim->MustSim(std::string("add ") + c.more);
        EXPECT_EQ(m_flash->DT_Read(), 0u);
        EXPECT_EQ(Failures(), (std::vector<uintptr_t>{c.code}));
        EXPECT_EQ(m_flash->m_hDev, 0u);
    });
}

TEST_F(FlashFlowTest, WithoutADialogTheFailureLandsInTheErrorCode) {
    Start("flash-usb-ctrl");
    g_pMainDlg = nullptr;
    EXPECT_EQ(m_flash->DT_Read(), 0u);
    EXPECT_EQ(g_dwErrorCode, 41704u);
}

TEST_F(FlashFlowTest, SilentWriteChecksTheReaderBeforeTheDownload) {
    struct Case {
        const char* name;
        const char* settings;
        bool fileExists;
        const char* more; // a second reader
        uintptr_t code;   // 0: the download runs and succeeds
    } cases[] = {
        {"written", "", true, nullptr, 0},
        {"missing file", "", false, nullptr, 41701},
        {"other firmware", "Check FwVersion=0x0121\n", true, nullptr, 41905},
        {"two readers", "", true, "flash-usb", 41513},
    };
    ForEach(cases, [&](const Case& c) {
        Start("flash-usb", c.settings);
        if (c.more)
            m_sim->MustSim(std::string("add ") + c.more);
        std::vector<uint8_t> image = Image(0x20000);
        if (c.fileExists)
            m_sim->Write("fw.bin", image);
        g_pMainDlg = nullptr;
        uint32_t result = m_flash->DT_SilentWriteBin("fw.bin");
        EXPECT_EQ(result, c.code == 0 ? 1u : 0u) << c.name;
        EXPECT_EQ(g_dwErrorCode, c.code) << c.name;
        EXPECT_EQ(Called("QDEraseFlash2"), c.code == 0) << c.name;
        if (c.code == 0) {
            EXPECT_EQ(Flash(), image);
        }
        EXPECT_EQ(m_flash->m_hDev, 0u);
    });
}

TEST_F(FlashFlowTest, SilentReadDumpsTheCodeArea) {
    Start("flash-usb", "Flash CodeSize=0x20\n");
    g_pMainDlg = nullptr;
    std::vector<uint8_t> flash = Flash();
    ASSERT_EQ(m_flash->DT_SilentReadBin(m_sim->File("out/dump.bin")), 1u);
    EXPECT_EQ(testsupport::ReadFileBytes(m_sim->File("out/dump.bin")),
              std::string(flash.begin(), flash.begin() + 0x20));
    ASSERT_EQ(m_flash->DT_SilentReadTxt(m_sim->File("dump.txt")), 1u);
    EXPECT_EQ(testsupport::ReadFileBytes(m_sim->File("dump.txt")), FormatTextDump(flash.data(), 0x20));
    EXPECT_EQ(g_dwErrorCode, 0u);
}

TEST_F(FlashFlowTest, SilentReadThatCannotSaveFails) {
    Start("flash-usb", "Flash CodeSize=0x20\n");
    g_pMainDlg = nullptr;
    m_sim->Write("file", "x");
    // A folder that is a file cannot take the dump.
    EXPECT_EQ(m_flash->DT_SilentReadBin(m_sim->File("file/dump.bin")), 0u);
    EXPECT_EQ(g_dwErrorCode, 41531u);
    g_dwErrorCode = 0;
    EXPECT_EQ(m_flash->DT_SilentReadTxt(m_sim->File("file/dump.txt")), 0u);
    EXPECT_EQ(g_dwErrorCode, 41531u);
}

TEST_F(FlashFlowTest, SilentReadFailureWritesNoFile) {
    Start("flash-usb-ctrl");
    g_pMainDlg = nullptr;
    EXPECT_EQ(m_flash->DT_SilentReadBin(m_sim->File("dump.bin")), 0u);
    EXPECT_EQ(g_dwErrorCode, 41704u);
    EXPECT_EQ(testsupport::ReadFileBytes(m_sim->File("dump.bin")), "");
}

TEST_F(FlashFlowTest, SilentEraseIsNotSupported) {
    Start("flash-usb");
    g_pMainDlg = nullptr;
    EXPECT_EQ(m_flash->DT_SilentErase(1), 0u);
    EXPECT_EQ(g_dwErrorCode, 41500u);
    EXPECT_TRUE(m_sim->Journal().empty());
}
