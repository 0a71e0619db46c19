#pragma once

#include "core/UpdateDialogHooks.h"
#include "ui/update/CompletionEvent.h"
#include "ui/update/PatchPkgDlgBase.h"

#include <mutex>

// "Customize UI" 3: one reader, the firmware chosen from the firmware table of config.ini by the
// reader's identity and versions.
class CPatchPkgDlg3 : public CPatchPkgDlgBase, public IPatchPkgDlg3Hooks {
    Q_OBJECT

public:
    static constexpr int IDD = 359;
    // The longest the dialog waits for the worker to fetch the reader's identity.
    static constexpr uint32_t kIdentityWaitMs = 2000;
    // Pause after a reader arrived, before it is looked at.
    static constexpr uint32_t kArrivalPauseMs = 128;

    explicit CPatchPkgDlg3(QWidget* parent = nullptr);

    // Written by the firmware operations on the worker thread.
    void SetFwVersion(uint16_t wVersion) override;
    void SetVendorProductId(uint16_t wVid, uint16_t wPid) override;
    uint32_t GetRomReset() const override;
    void SetRomReset(uint32_t bRomReset) override;
    void SignalCompletion() override;

    uint32_t m_bHasRomVersions = 0;

protected:
    void OnResult(uint32_t id, uintptr_t wParam, intptr_t lParam) override;
    void OnUpdateClicked() override;
    void OnDeviceChange(CDeviceChangeWatcher::Change change) override;
    void OnReaderCheck() override;

private:
    struct ReaderFields {
        uint16_t wFwVersion = 0;
        uint16_t wVid = 0;
        uint16_t wPid = 0;
        uint32_t bRomReset = 0;
    };
    ReaderFields Fields() const;
    bool ReaderInTable() const;

    void OnLibReady();
    // Fetches the reader's identity (waiting for the worker), then checks it; with a reader the
    // table knows, also waits for it (wParam of the wait request) and asks for its versions.
    void RefreshReader(uintptr_t doNotWait);
    void OnFwStatus(uintptr_t code, intptr_t version);
    void OnFwVersions(intptr_t address);
    void OnFileLoaded(uintptr_t valid);
    void OnOperationResult(uintptr_t code, bool failure);
    void ClearFirmwareChoice();

    mutable std::mutex m_FieldsLock;
    ReaderFields m_Fields;
    CCompletionEvent m_Completion;
};
