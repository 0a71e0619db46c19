#include "tests/ui/EditorFixture.h"

#include "app/Messages.h"
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "device/DevTypeInfo.h"
#include "model/IcTypeIni.h"
#include "ui/DetailDlgLink.h"

namespace uitest {

std::optional<std::string> SaveDialogs::GetSaveFileName(QWidget*, const OpenFileRequest&) {
    if (savePaths.empty())
        return std::nullopt;
    std::string path = savePaths.front();
    savePaths.pop_front();
    return path;
}

void EditorFixture::StartEditor(const std::vector<std::pair<std::string, std::string>>& iniFiles,
                                std::string iniName) {
    EnsureApplication();
    for (const auto& [name, text] : iniFiles)
        m_folder.Write(name, text);
    if (iniName.empty())
        iniName = iniFiles.front().first;
    m_folder.Write("config.ini", "[Quillix Config]\nIni Name=" + iniName + "\n");
    LoadProject(m_folder.File("config.ini"));
    g_pDevTypeInfo->LoadDefaultImage(*g_pIcTypeIni);
    g_pMainDlg = &m_main;
    m_dlg = std::make_unique<CDetailDlg>(nullptr);
    g_pDetailDlg = m_dlg.get();
    m_dlg->ReloadSettings();
    m_dlg->ShowAt(QPoint(0, 0));
    m_dlg->PostMessage(UM_IMAGE_CHANGED, 1, 0);
    PumpPending();
}

void EditorFixture::TearDown() {
    m_dlg.reset();
    g_pDetailDlg = nullptr;
    UnloadProject();
}

std::vector<std::string> EditorFixture::Tabs() const {
    std::vector<std::string> tabs;
    for (int i = 0; i < m_dlg->Sheet()->count(); ++i)
        tabs.push_back(m_dlg->Sheet()->tabText(i).toStdString());
    return tabs;
}

uint8_t* EditorFixture::Image() const {
    return g_pDevTypeInfo->GetDataUp();
}

std::vector<std::pair<uint32_t, uintptr_t>> EditorFixture::MainPosted() const {
    std::vector<std::pair<uint32_t, uintptr_t>> posted;
    for (const testsupport::PostedMessage& message : m_main.Posted())
        posted.emplace_back(message.id, message.wParam);
    return posted;
}

} // namespace uitest
