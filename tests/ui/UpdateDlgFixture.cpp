#include "tests/ui/UpdateDlgFixture.h"

#include "app/QuillixApp.h"
#include "core/UpdateDialogHooks.h"
#include "core/VrkThread.h"
#include "device/DevTypeInfo.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"

#include <QPushButton>

void UpdateDlgFixture::Prepare(const std::string& preset, uint32_t customizeUI, const std::string& config,
                               const std::function<void(std::string&)>& editIni) {
    uitest::EnsureApplication();
    ReadShortVersion("1.00.0.0");
    m_sim = std::make_unique<testsupport::SimReader>(preset);
    std::string ini = uitest::SourceText("examples/flash-usb.ini");
    const std::string header = "[Quillix Config]\n";
    ini.insert(ini.find(header) + header.size(), "Customize UI=" + std::to_string(customizeUI) + "\n");
    if (editIni)
        editIni(ini);
    m_sim->Write("chip.ini", ini);
    m_sim->Write("config.ini", "[Quillix Config]\nIni Name=chip.ini\n" + config);
    uitest::LoadProject(m_sim->File("config.ini"));
}

void UpdateDlgFixture::SetHooks(QWidget* dialog) {
    g_pPatchPkgDlg3Hooks = dynamic_cast<IPatchPkgDlg3Hooks*>(dialog);
    g_pPatchPkgDlg6Hooks = dynamic_cast<IPatchPkgDlg6Hooks*>(dialog);
}

void UpdateDlgFixture::TearDown() {
    if (m_dlg) {
        m_dlg->reject();
        EXPECT_TRUE(uitest::PumpUntil([&] { return m_dlg->HasEnded(); }));
        DeleteVrkThread();
        *m_pointer = nullptr;
        g_pPatchPkgDlg3Hooks = nullptr;
        g_pPatchPkgDlg6Hooks = nullptr;
        m_dlg.reset();
    }
    uitest::UnloadProject();
    g_dwCustomizeUI = 0;
}

void UpdateDlgFixture::WaitForBoxes(size_t count) {
    ASSERT_TRUE(uitest::PumpUntil([&] { return m_boxes.shown.size() >= count; })) << m_boxes.shown.size();
    uitest::PumpPending();
}

std::string UpdateDlgFixture::Text(int id) {
    return Control<QWidget>(id)->property("text").toString().toStdString();
}

bool UpdateDlgFixture::Enabled(int id) {
    return Control<QWidget>(id)->isEnabled();
}

void UpdateDlgFixture::Click(int id) {
    Control<QPushButton>(id)->click();
}

std::string UpdateDlgFixture::FirmwareFromReader(const std::string& name, int reader) {
    const std::string path = m_sim->File(name);
    m_sim->MustSim("read " + std::to_string(reader) + " flash " + path);
    return path;
}
