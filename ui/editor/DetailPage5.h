#pragma once

#include "ui/editor/DetailPage.h"

#include <cstdint>
#include <vector>

class QPushButton;

// "Vendor File": combines the firmware code of one binary file with the vendor block of another, and
// exports the vendor block of the upload image.
class CDetailPage_5 : public CDetailPage {
    Q_OBJECT

public:
    static constexpr int IDC_VDR_SAVE = 1606;
    static constexpr int IDC_VDR_LOAD = 1607;
    static constexpr int IDC_STEP_LOAD = 1608;
    static constexpr int IDC_STEP_VDR_LOAD = 1609;
    static constexpr int IDC_STEP_SAVE = 1610;

    CDetailPage_5();

    void LoadUserSetting() override;
    void LoadBinaryInfo() override;
    void RefreshControls() override {}
    void EnableControls(uint32_t devBusy, uint32_t downBusy) override;

    // Content of the last vendor file and where its block was found.
    std::vector<uint8_t> m_VendorFile;
    uint32_t m_dwVendorOffset = 0;

private:
    void OnVendorLoad();
    void OnVendorSave();
    void Report(uint32_t code);
    // Posts a click on a button of the detail dialog.
    void ForwardToDialog(int id);

    QPushButton* m_pStepLoad = nullptr;
    QPushButton* m_pStepVdrLoad = nullptr;
    QPushButton* m_pStepSave = nullptr;
    QPushButton* m_pVdrLoad = nullptr;
    QPushButton* m_pVdrSave = nullptr;
};
