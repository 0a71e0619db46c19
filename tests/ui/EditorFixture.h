#pragma once

#include "tests/support/RecordingDialog.h"
#include "tests/support/TempDir.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/editor/DetailDlg.h"
#include "ui/editor/DetailSheet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace uitest {

// Answers file dialogs from queues: open dialogs from `paths`, save dialogs from `savePaths`.
class SaveDialogs : public ScriptedFileDialogs {
public:
    std::optional<std::string> GetSaveFileName(QWidget*, const OpenFileRequest&) override;
    std::deque<std::string> savePaths;
};

// A program folder with the given IC INI files (name and text; the first one in use unless another
// is named), the project objects, the default image in the upload buffer and the detail dialog; no
// worker and no main dialog window.
class EditorFixture : public testing::Test {
protected:
    void StartEditor(const std::vector<std::pair<std::string, std::string>>& iniFiles,
                     std::string iniName = "");
    void TearDown() override;

    std::vector<std::string> Tabs() const;
    // Shows a page's tab and lets it load itself.
    template <class Page> Page* ShowPage(int number) {
        auto* page = static_cast<Page*>(m_dlg->Page(number));
        m_dlg->Sheet()->setCurrentWidget(page);
        PumpPending();
        return page;
    }
    uint8_t* Image() const;
    // The id and wParam of every message the main dialog was sent.
    std::vector<std::pair<uint32_t, uintptr_t>> MainPosted() const;

    testsupport::TempProgramFolder m_folder;
    // The main dialog as the editor reaches it.
    testsupport::RecordingDialog m_main;
    std::unique_ptr<CDetailDlg> m_dlg;
    RecordingMessageBoxes m_boxes;
    SaveDialogs m_files;
};

} // namespace uitest
