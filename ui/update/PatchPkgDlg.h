#pragma once

#include "ui/update/PatchPkgDlgBase.h"

// "Customize UI" 1: one reader, the fixed firmware file of the "Download File" setting.
class CPatchPkgDlg : public CPatchPkgDlgBase {
    Q_OBJECT

public:
    static constexpr int IDD = 122;

    explicit CPatchPkgDlg(QWidget* parent = nullptr);

protected:
    void OnResult(uint32_t id, uintptr_t wParam, intptr_t lParam) override;
    void OnUpdateClicked() override;
    void OnDeviceChange(CDeviceChangeWatcher::Change change) override;
    void OnReaderCheck() override;

private:
    void OnLibReady();
    void OnFileLoaded(uintptr_t valid);
    void OnFwStatus(uintptr_t code, intptr_t version);
    void OnOperationResult(uintptr_t code, bool failure);
};
