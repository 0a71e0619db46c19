#pragma once

#include "ui/ResultDialog.h"

#include <string>

// Stands in for a firmware-update dialog that this build does not have yet: it shows the dialog's title
// and says which dialog the configuration asked for. It starts no worker and posts no request.
class CUpdateDlgPlaceholder : public CResultDialog {
    Q_OBJECT

public:
    static constexpr int IDC_MESSAGE = 1000;
    static constexpr int IDCANCEL = 2;

    CUpdateDlgPlaceholder(std::string className, std::string title, QWidget* parent = nullptr);

protected:
    void OnInitDialog() override;
    void OnResult(uint32_t id, uintptr_t wParam, intptr_t lParam) override;

private:
    std::string m_strClassName;
    std::string m_strTitle;
};
