#include "tests/ui/UpdateDlgFixture.h"

#include "app/QuillixApp.h"
#include "core/UpdateDialogHooks.h"
#include "core/VrkThread.h"
#include "device/DevTypeInfo.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"

#include <QPushButton>

#include <fstream>
#include <sstream>

namespace {

std::string ReadSource(const std::string& relative) {
    std::ifstream in(std::string(QUILLIX_SOURCE_DIR "/") + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

void UpdateDlgFixture::Prepare(const std::string& preset, uint32_t customizeUI, const std::string& config,
                               const std::function<void(std::string&)>& editIni) {
    uitest::EnsureApplication();
    ReadShortVersion("1.00.0.0");
    m_sim = std::make_unique<testsupport::SimReader>(preset);
    std::string ini = ReadSource("examples/flash-usb.ini");
    const std::string header = "[Quillix Config]\n";
    ini.insert(ini.find(header) + header.size(), "Customize UI=" + std::to_string(customizeUI) + "\n");
    if (editIni)
        editIni(ini);
    m_sim->Write("chip.ini", ini);
    m_sim->Write("config.ini", "[Quillix Config]\nIni Name=chip.ini\n" + config);
    g_pConfigIni = new CIniFile(m_sim->File("config.ini"));
    g_pConfigIni->Load();
    g_pIcTypeIni = new CIcTypeIni();
    g_pIcTypeIni->LoadUserSetting();
    g_pIcTypeIni->ListIniFiles();
    g_pIcTypeIni->LoadIcIni();
    g_pIcTypeIni->Parse_ProjectType();
    CreateDevTypeInfo();
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
    DestroyDevTypeInfo();
    delete g_pIcTypeIni;
    g_pIcTypeIni = nullptr;
    delete g_pConfigIni;
    g_pConfigIni = nullptr;
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
