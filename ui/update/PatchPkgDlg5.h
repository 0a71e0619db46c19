#pragma once

#include "app/TraceLog.h"
#include "ui/ResultDialog.h"
#include "ui/update/DeviceChangeWatcher.h"
#include "view/update/StationRules.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// "Customize UI" 5: the three-socket update station. Three readers in fixed USB positions ("SD Card #1",
// "CF Card", "SD Card #2") are updated in turn, each with its own firmware file and serial number.
class CPatchPkgDlg5 : public CResultDialog, public CDumpStr {
    Q_OBJECT

public:
    static constexpr int IDD = 361;
    static constexpr int IDC_SAVE = 1352;
    static constexpr int IDC_LOAD = 1353;
    // Per socket: firmware path, Browser button, serial number (ids of socket 0; +3 per socket).
    static constexpr int IDC_FW_PATH = 1723;
    static constexpr int IDC_BROWSE = 1724;
    static constexpr int IDC_SERIAL = 1725;
    static constexpr int IDC_START = 1732;
    static constexpr int IDC_EXIT = 1733;
    static constexpr int IDC_PROGRESS = 1734;
    // Per socket: status (+1 per socket).
    static constexpr int IDC_STATUS = 1735;
    static constexpr int IDC_MESSAGE = 1738;
    // The station's own request: detect the readers (wParam 1 after an update).
    static constexpr uint32_t UM_DETECT = 0x43c;

    explicit CPatchPkgDlg5(QWidget* parent = nullptr);

    std::array<std::string, kStationSockets> m_strFwPath;
    std::array<std::string, kStationSockets> m_strFileName;
    std::array<std::string, kStationSockets> m_strSerial;
    std::array<std::string, kStationSockets> m_strStatus;
    std::string m_strMessage;
    std::string m_strLastError;
    uint32_t m_bBusy = 0;
    std::array<bool, kStationSockets> m_bFileReady{};
    std::vector<StationReader> m_Readers;

protected:
    void OnInitDialog() override;
    void OnResult(uint32_t id, uintptr_t wParam, intptr_t lParam) override;
    void OnDestroy() override;
    void reject() override;

private:
    struct SocketControls {
        QLineEdit* pPath;
        QPushButton* pBrowse;
        QLineEdit* pSerial;
        QLabel* pStatus;
    };

    void CreateControls();
    void LoadUserSetting();
    void SaveUserSetting();
    void SetFwPath(size_t socket, const std::string& path);
    void ShowValues();
    void EnableStation();
    void Detect(bool afterUpdate);
    void OnBrowse(size_t socket);
    void OnSerialEdited(size_t socket);
    void OnLoad();
    void OnSave();
    void OnStart();
    void OnUpdateEnded(const std::string& message);
    // The socket the update loop works on, as its last socket-begin message said; nothing before the
    // first. The worker's own counter may already be ahead of the messages still queued here.
    std::optional<size_t> CurrentSocket() const;

    CDeviceChangeWatcher m_Watcher;
    // Readers can be opened only once the worker has bound the reader library.
    bool m_bLibReady = false;
    std::optional<size_t> m_nCurrentSocket;
    std::array<SocketControls, kStationSockets> m_Sockets{};
    QPushButton* m_pLoad = nullptr;
    QPushButton* m_pSave = nullptr;
    QPushButton* m_pStart = nullptr;
    QPushButton* m_pExit = nullptr;
    QLabel* m_pMessage = nullptr;
    QProgressBar* m_pProgress = nullptr;
};
