#pragma once

#include "app/TraceLog.h"
#include "ui/DetailDlgLink.h"
#include "ui/ResultDialog.h"
#include "ui/main/MyEvent.h"
#include "view/main/MainDlgRules.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The main dialog: the vendor information of the reader's memory image above, that of a binary file
// below, and the operations Read, Erase (Check on EFUSE), Update and Download, which run on the worker.
class CQuillixDlg : public CResultDialog, public CDumpStr {
    Q_OBJECT

public:
    static constexpr int IDD = 102;
    static constexpr int IDC_READ = 1011;
    static constexpr int IDC_ERASE = 1012;
    static constexpr int IDC_UPDATE = 1013;
    static constexpr int IDC_BROWSE = 1014;
    static constexpr int IDC_DOWNLOAD = 1015;
    static constexpr int IDC_DOWNLOAD_PATH = 1016;
    static constexpr int IDC_PROGRESS = 1021;
    static constexpr int IDC_DETAIL = 1022;
    static constexpr int IDC_DEVICE_GROUP = 1101;
    static constexpr int IDC_DEV_MANUFACTURER = 1111;
    static constexpr int IDC_DEV_PRODUCT = 1112;
    static constexpr int IDC_DEV_SERIAL = 1113;
    static constexpr int IDC_DEV_VID = 1114;
    static constexpr int IDC_DEV_PID = 1115;
    static constexpr int IDC_DEV_MANUFACTURER_LABEL = 1121;
    static constexpr int IDC_DEV_PRODUCT_LABEL = 1122;
    static constexpr int IDC_DEV_SERIAL_LABEL = 1123;
    static constexpr int IDC_DEV_VID_LABEL = 1124;
    static constexpr int IDC_DEV_PID_LABEL = 1125;
    static constexpr int IDC_FILE_GROUP = 1201;
    static constexpr int IDC_FILE_MANUFACTURER = 1211;
    static constexpr int IDC_FILE_PRODUCT = 1212;
    static constexpr int IDC_FILE_SERIAL = 1213;
    static constexpr int IDC_FILE_VID = 1214;
    static constexpr int IDC_FILE_PID = 1215;
    static constexpr int IDC_FILE_MANUFACTURER_LABEL = 1221;
    static constexpr int IDC_FILE_PRODUCT_LABEL = 1222;
    static constexpr int IDC_FILE_SERIAL_LABEL = 1223;
    static constexpr int IDC_FILE_VID_LABEL = 1224;
    static constexpr int IDC_FILE_PID_LABEL = 1225;
    static constexpr int IDC_DEV_VERSION = 1720;
    static constexpr int IDC_FILE_VERSION = 1721;

    explicit CQuillixDlg(QWidget* parent = nullptr);
    ~CQuillixDlg() override;

    // "Force Check": 1 makes the EFUSE flows run their extra data check.
    uint32_t m_bForceCheck = 0;

    // What the watcher saw of the download file since the last Download.
    uint32_t FileModified() const { return m_bFileModified; }
    uint32_t FileMissing() const { return m_bFileMissing; }

protected:
    void OnInitDialog() override;
    void OnResult(uint32_t id, uintptr_t wParam, intptr_t lParam) override;
    void OnDestroy() override;

private:
    // The force-check reader of the EFUSE flows: the setting of the main dialog that runs.
    static uint32_t ReadForceCheck();

    struct VendorTexts {
        std::string strVid;
        std::string strPid;
        std::string strManufacturer;
        std::string strProduct;
        std::string strSerial;
        std::string strVersion = "Ver: N/A";
    };
    struct VendorControls {
        QLineEdit* pVid;
        QLineEdit* pPid;
        QLineEdit* pManufacturer;
        QLineEdit* pProduct;
        QLineEdit* pSerial;
        QLabel* pVersion;
    };

    void CreateControls();
    QLineEdit* CreatePanelRows(int yOffset, int firstEditId, int firstLabelId, VendorControls& controls);

    void LoadUserSetting();
    void SaveUserSetting();
    void InitUI();
    void RefreshDeviceFields();
    void ClearFileFields();
    void SetButtons(uint32_t devBusy, uint32_t downBusy);
    // Controls to members (save) or members to controls.
    void UpdateData(bool save);

    void OnLibReady();
    void OnFileLoaded(uintptr_t valid, intptr_t downloadAfter);
    void OnImageChanged(uintptr_t valid);
    void ShowResultBox(uint32_t code, bool failure, bool withTime);

    void OnDeviceRequest(uint32_t request);
    void OnUpdateOrCancel();
    void OnBrowse();
    void OnDownload();
    // Asks before a file that failed the chip check is written; true when the user said Yes.
    bool ConfirmUncheckedDownload();
    void ShowVersionFields();
    void OnToggleDetail();
    void OnDeviceIdEdited(VendorField field);
    void OnDeviceStringEdited(VendorField field);
    void NotifyDetail(VendorField field);
    void ShowDetailDlg();
    void HideDetailDlg();

    void WatchDownloadFile();
    void StartRequest(uint32_t request, intptr_t lParam);

    std::string m_strDownloadPath;
    std::string m_strPrevPath;
    VendorTexts m_Dev;
    VendorTexts m_File;
    uint32_t m_bDevBusy = 0;
    uint32_t m_bDownBusy = 0;
    uint32_t m_bFileValid = 0;
    // The loaded file's image failed the chip check: writing it needs the user's explicit Yes.
    uint32_t m_bFileFailsCheck = 0;
    // A load request of the download file runs: a failure then leaves no stale file fields.
    uint32_t m_bFileLoading = 0;
    uint32_t m_bDetailShown = 0;
    uint32_t m_dwStartTick = 0;
    std::atomic<uint32_t> m_bFileModified{0};
    std::atomic<uint32_t> m_bFileMissing{0};
    CMyEvent m_Watcher{m_bFileModified, m_bFileMissing};
    std::unique_ptr<IDetailDialog> m_pDetailDlg;

    QGroupBox* m_pDeviceGroup = nullptr;
    QGroupBox* m_pFileGroup = nullptr;
    QPushButton* m_pRead = nullptr;
    QPushButton* m_pErase = nullptr;
    QPushButton* m_pUpdate = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QPushButton* m_pDownload = nullptr;
    QPushButton* m_pDetail = nullptr;
    QLineEdit* m_pPath = nullptr;
    QProgressBar* m_pProgress = nullptr;
    VendorControls m_DevControls{};
    VendorControls m_FileControls{};
    QLabel* m_pDevVidLabel = nullptr;
    QLabel* m_pDevPidLabel = nullptr;
    QLabel* m_pFileVidLabel = nullptr;
    QLabel* m_pFilePidLabel = nullptr;
};
