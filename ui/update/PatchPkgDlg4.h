#pragma once

#include "app/TraceLog.h"
#include "ui/ResultDialog.h"
#include "view/update/FirmwareCompare.h"

#include <cstdint>
#include <string>

class QProgressBar;
class QPushButton;
class QTextEdit;

// "Customize UI" 4: reads the reader's FLASH and compares it with the reference images ("*.BIN") in
// the program folder; the result shows PASS with the matching file, or FAIL.
class CPatchPkgDlg4 : public CResultDialog, public CDumpStr {
    Q_OBJECT

public:
    static constexpr int IDD = 360;
    static constexpr int IDC_CHECK = 1018;
    static constexpr int IDC_RESULT = 1718;
    static constexpr int IDC_PROGRESS = 1707;

    explicit CPatchPkgDlg4(QWidget* parent = nullptr);

    std::string m_strTitle;
    std::string m_strResult;
    uint32_t m_bBusy = 0;
    uint32_t m_bLibFailed = 0;

protected:
    void OnInitDialog() override;
    void OnResult(uint32_t id, uintptr_t wParam, intptr_t lParam) override;

private:
    void CreateControls();
    void LoadUserSetting();
    void OnLibReady();
    void OnCheck();
    void OnReadSucceeded();
    void OnReadFailed(uint32_t code);
    // Replaces the rich edit's content and colours the highlighted parts.
    void ShowResult(const CheckResultText& result);
    void SetIdle();

    QPushButton* m_pCheck = nullptr;
    QTextEdit* m_pResult = nullptr;
    QProgressBar* m_pProgress = nullptr;
};
