#include "app/Messages.h"
#include "app/QuillixApp.h"
#include "core/Broadcast.h"
#include "core/VrkThread.h"
#include "device/DevTypeInfo.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/FakeClock.h"
#include "tests/support/SimReader.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/DetailDlgLink.h"
#include "ui/main/QuillixDlg.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>

using testsupport::SimReader;
using uitest::PumpUntil;

namespace {

using Dlg = CQuillixDlg;

// The fake clock with a gate: once armed, the next sleep of any thread stops there until the test
// releases it. That holds a running flow at a known point without real waits.
class GatedClock : public platform::FakeClock {
public:
    ~GatedClock() override { Release(); }

    void Sleep(uint32_t ms) override {
        {
            std::unique_lock lock(m_gateMutex);
            if (m_armed) {
                m_armed = false;
                m_held = true;
                m_gate.wait(lock, [this] { return m_released; });
            }
        }
        FakeClock::Sleep(ms);
    }
    void Arm() {
        std::lock_guard lock(m_gateMutex);
        m_armed = true;
    }
    bool Held() {
        std::lock_guard lock(m_gateMutex);
        return m_held;
    }
    void Release() {
        {
            std::lock_guard lock(m_gateMutex);
            m_released = true;
        }
        m_gate.notify_all();
    }

private:
    std::mutex m_gateMutex;
    std::condition_variable m_gate;
    bool m_armed = false;
    bool m_held = false;
    bool m_released = false;
};

// The simulated reader of one preset with the example IC INI file of its kind, the process-wide objects
// as start-up creates them and the main dialog driven without a modal loop.
class MainDlgOperationTest : public testing::Test {
protected:
    void Start(const std::string& preset, const std::string& ini) {
        uitest::EnsureApplication();
        ReadShortVersion("1.00.0.0");
        m_sim = std::make_unique<SimReader>(preset);
        m_sim->Write("chip.ini", uitest::SourceText(ini));
        m_sim->Write("config.ini", "[Quillix Config]\nIni Name=chip.ini\n");
        uitest::LoadProject(m_sim->File("config.ini"));

        m_dlg = std::make_unique<Dlg>();
        g_pMainDlg = m_dlg.get();
        m_dlg->Create();
        ASSERT_TRUE(
            PumpUntil([&] { return m_dlg->windowTitle().startsWith("Reader") || !m_boxes.shown.empty(); }));
        uitest::PumpPending();
        ASSERT_TRUE(m_boxes.shown.empty()) << m_boxes.shown[0].text;
    }

    void TearDown() override {
        m_clock.Release();
        if (m_dlg) {
            m_dlg->reject();
            EXPECT_TRUE(PumpUntil([&] { return m_dlg->HasEnded(); }));
            DeleteVrkThread();
            g_pMainDlg = nullptr;
            m_dlg.reset();
        }
        uitest::UnloadProject();
    }

    QPushButton* Button(int id) {
        QPushButton* button = FindControl<QPushButton>(m_dlg.get(), id);
        EXPECT_NE(button, nullptr) << id;
        return button;
    }
    std::string Text(int id) { return Button(id)->text().toStdString(); }
    void WaitForBoxes(size_t count) {
        ASSERT_TRUE(PumpUntil([&] { return m_boxes.shown.size() >= count; })) << m_boxes.shown.size();
        uitest::PumpPending();
    }
    void WaitIdle() {
        ASSERT_TRUE(PumpUntil(
            [&] { return Button(Dlg::IDC_READ)->isEnabled() && Text(Dlg::IDC_UPDATE) == "Update"; }));
    }

    GatedClock m_clock;
    uitest::RecordingMessageBoxes m_boxes;
    std::unique_ptr<SimReader> m_sim;
    std::unique_ptr<Dlg> m_dlg;
};

struct EraseCase {
    const char* name;
    const char* preset;
    const char* ini;
    const char* buttonText;
    bool checkTip;
    ResultCode success;
    const char* caption;
};

class MainDlgErase : public MainDlgOperationTest, public testing::WithParamInterface<EraseCase> {};

// The second device button: an EEPROM is erased, a blank EFUSE passes its check; both report success
// with the elapsed time.
TEST_P(MainDlgErase, ReportsSuccessWithTheElapsedTime) {
    const EraseCase& c = GetParam();
    Start(c.preset, c.ini);
    EXPECT_EQ(Text(Dlg::IDC_ERASE), c.buttonText);
    EXPECT_EQ(Button(Dlg::IDC_ERASE)->toolTip().toStdString(),
              c.checkTip ? LoadMessage(IDS_TIP_EFUSE_CHECK) : std::string());
    ASSERT_TRUE(Button(Dlg::IDC_ERASE)->isEnabled());
    const uint32_t posted = m_clock.TickCount();
    Button(Dlg::IDC_ERASE)->click();
    EXPECT_FALSE(Button(Dlg::IDC_READ)->isEnabled());
    WaitForBoxes(1);
    WaitIdle();
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(c.success));
    EXPECT_EQ(m_boxes.shown[0].caption,
              std::string(c.caption) + " - " + std::to_string(m_boxes.ticks[0] - posted) + " ms");
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::None);
    EXPECT_TRUE(Button(Dlg::IDC_ERASE)->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(MainDialog, MainDlgErase,
                         testing::Values(EraseCase{"eeprom_usb", "eeprom-usb", "examples/eeprom-usb.ini",
                                                   "Erase", false, IDS_ERASE_EEPROM_SUCCEED, "ReaderEE"},
                                         EraseCase{"efuse_usb", "efuse-usb", "examples/efuse-usb.ini",
                                                   "Check", true, IDS_CHECK_EFUSE_SUCCEED, "ReaderEfuse"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Cancel pressed while an Update writes the EEPROM: the flow stops with a failure instead of finishing,
// and the dialog returns to idle.
TEST_F(MainDlgOperationTest, CancelStopsARunningUpdate) {
    Start("eeprom-usb", "examples/eeprom-usb.ini");
    m_clock.Arm();
    Button(Dlg::IDC_UPDATE)->click();
    ASSERT_EQ(Text(Dlg::IDC_UPDATE), "Cancel");
    // The worker is now held in its first pause of the flow.
    ASSERT_TRUE(PumpUntil([&] { return m_clock.Held(); }));
    Button(Dlg::IDC_UPDATE)->click();
    EXPECT_EQ(m_dlg->GetCancelFlag(), 1u);
    m_clock.Release();
    WaitForBoxes(1);
    WaitIdle();
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(IDS_UPDATE_EEPROM_FAIL));
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(m_boxes.shown[0].caption, "ReaderEE");
    EXPECT_TRUE(Button(Dlg::IDC_READ)->isEnabled());
    EXPECT_TRUE(Button(Dlg::IDC_ERASE)->isEnabled());
    EXPECT_TRUE(Button(Dlg::IDC_UPDATE)->isEnabled());
}

} // namespace
