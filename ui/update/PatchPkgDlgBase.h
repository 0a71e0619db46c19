#pragma once

#include "app/TraceLog.h"
#include "ui/ResultDialog.h"
#include "ui/update/DeviceChangeWatcher.h"

#include <cstdint>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

// What the one-button firmware-update dialogs share: the reader and update lines, the Update button
// (Cancel while a request runs), the progress bar, the settings of config.ini, result boxes and the
// device arrival and removal notifications.
class CPatchPkgDlgBase : public CResultDialog, public CDumpStr {
    Q_OBJECT

public:
    static constexpr int IDC_PROGRESS = 1707;
    static constexpr int IDC_READER_INFO = 1708;
    static constexpr int IDC_UPDATE_INFO = 1709;
    static constexpr int IDC_STATUS = 1717;
    static constexpr int IDC_UPDATE = 1015;
    static constexpr int IDC_READER_CHECK = 1017;

    std::string m_strFwPath;
    std::string m_strFwInfo;
    std::string m_strTitle;
    std::string m_strReaderInfo;
    std::string m_strUpdateInfo;
    std::string m_strStatus;
    uint32_t m_bReady = 0;
    uint32_t m_bBusy = 0;
    uint32_t m_bLibFailed = 0;
    // The last update's failure, kept on show (in red) until the user's next Update.
    std::string m_strLastFailure;
    // The firmware file did not load or failed its check: Update stays disabled until a file loads.
    uint32_t m_bFileFailed = 0;
    uint32_t m_bFileLoading = 0;

protected:
    // The layouts of the templates: 122 (reader and update lines only) and 359/362 (with the status
    // line; the hidden Reader Info button only in 359).
    enum class Layout { Single, WithStatus, WithStatusNoCheckButton };

    CPatchPkgDlgBase(Layout layout, uint32_t customizeUI, bool needsFile, QWidget* parent);

    void OnInitDialog() override;
    void OnDestroy() override;
    void reject() override;

    // Reads "Download File", "FwInfo" and "Title" (dialogs that need fewer override it).
    virtual void LoadUserSetting();
    virtual void OnUpdateClicked() = 0;
    virtual void OnDeviceChange(CDeviceChangeWatcher::Change change) = 0;

    // The handling every dialog shares: progress, the worker's end and the unusable library. True when
    // the message was one of those.
    bool OnCommonResult(uint32_t id, uintptr_t wParam);
    // The title, the default button and the device notification, on the library's arrival.
    void InitOnLibReady();

    void UpdateButton();
    // A load of the firmware file has ended (a failure arrives as UM_FAIL while it runs).
    void OnFileLoadEnded(bool loaded);
    // Remembers how an update ended, for the failure line.
    void NoteUpdateResult(uintptr_t code, bool failure);
    // A request has ended: progress back to 0, not busy, the button follows.
    void ReturnToIdle();
    // Members to the static texts.
    void ShowTexts();
    void SetProgress(int percent);
    void ShowBox(const std::string& text, bool error);
    // Clears the cancel flag and queues a request for the worker.
    void PostRequest(uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0);
    // Posts command 1017 (the reader check) to itself: it runs after the events already queued.
    void PostReaderCheck();
    std::string Caption() const { return m_strCaption; }

    // Command 1017.
    virtual void OnReaderCheck() {}

private:
    void CreateControls(Layout layout);

    uint32_t m_dwCustomizeUI;
    bool m_bNeedsFile;
    std::string m_strCaption;
    CDeviceChangeWatcher m_Watcher;
    bool m_bClosing = false;
    QLabel* m_pReaderInfo = nullptr;
    QLabel* m_pUpdateInfo = nullptr;
    QLabel* m_pStatus = nullptr;
    QPushButton* m_pUpdate = nullptr;
    QProgressBar* m_pProgress = nullptr;
};
