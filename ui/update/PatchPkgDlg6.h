#pragma once

#include "core/UpdateDialogHooks.h"
#include "ui/update/CompletionEvent.h"
#include "ui/update/PatchPkgDlgBase.h"

#include <atomic>
#include <string>

// "Customize UI" 6: every attached reader, one after the other, each with the firmware the table of
// config.ini names for its firmware key.
class CPatchPkgDlg6 : public CPatchPkgDlgBase, public IPatchPkgDlg6Hooks {
    Q_OBJECT

public:
    static constexpr int IDD = 362;

    explicit CPatchPkgDlg6(QWidget* parent = nullptr);

    void SignalCompletion() override;
    void ClearScanPending() override;

    bool ScanPending() const { return m_bScanPending.load(); }

protected:
    void LoadUserSetting() override;
    void OnResult(uint32_t id, uintptr_t wParam, intptr_t lParam) override;
    void OnUpdateClicked() override;
    void OnDeviceChange(CDeviceChangeWatcher::Change change) override;

private:
    void OnLibReady();
    void OnFwStatus(uintptr_t code, intptr_t version);
    void OnReadersChecked(uintptr_t location);
    // Fills in the firmware description once the worker has finished the request that found it.
    void ShowPendingFwInfo();
    void StartScan(intptr_t shortWait);

    std::atomic<bool> m_bScanPending{false};
    CCompletionEvent m_Completion;
    std::string m_strLastFailure;
    std::string m_strLastSuccess;
    // The firmware description is shown once per run of successes; a failure allows it again.
    bool m_bFwInfoShown = false;
    bool m_bFwInfoPending = false;
};
