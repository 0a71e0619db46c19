#pragma once

#include "app/TraceLog.h"
#include "ui/DetailDlgLink.h"
#include "ui/DialogUnits.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <memory>

class CBinaryEditCtrl;
class CDetailPage;
class CDetailSheet;
class QComboBox;
class QLabel;
class QPushButton;

// The vendor-information editor: a modeless companion of the main dialog with the page sheet above and
// the IC-type selector, "Load ...", "Save ..." and the hex view of the upload image below. Escape and
// the close box only hide it; it lives as long as the main dialog.
class CDetailDlg : public QDialog, public IDetailDialog, public CDumpStr {
    Q_OBJECT

public:
    static constexpr int IDD = 129;
    static constexpr int IDC_HEX_VIEW = 1351;
    static constexpr int IDC_SAVE = 1352;
    static constexpr int IDC_LOAD = 1353;
    static constexpr int IDC_IC_TYPE_LABEL = 1355;
    static constexpr int IDC_IC_TYPE = 1356;
    // The sheet leaves this many pixels at the bottom of the client area to the controls below it.
    static constexpr int kBelowSheet = 96;

    explicit CDetailDlg(QWidget* parent);
    ~CDetailDlg() override;

    void PostMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override;
    void ReloadSettings() override;
    void EnableControls(uint32_t devBusy, uint32_t downBusy) override;
    void ShowAt(const QPoint& topLeft) override;

    void LoadBinaryInfo();
    void RefreshControls();

    CDetailSheet* Sheet() const { return m_pSheet; }
    CDetailPage* Page(int number) const { return m_pPages.at(static_cast<size_t>(number - 1)); }
    CBinaryEditCtrl* HexView() const { return m_pHexView; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnInitDialog();
    void InitUI();
    void FillIcTypeCombo();
    void OnIcTypeChanged();
    void OnLoadBinary();
    void OnSaveBinary();
    void OnMessage(uint32_t id, uintptr_t wParam, intptr_t lParam);
    void OnImageChanged();
    void UpdateCaption();
    // Hands the hex view the current upload image and redraws it.
    void RedrawHexView();
    // Asks the main dialog to hide this dialog, as its ">" button does.
    void RequestHide();
    void PlaceSheet();
    // Widens the dialog beyond its template where the sheet's widest page or its tabs need it.
    void FitSheet();

    DialogBaseUnits m_units;
    CBinaryEditCtrl* m_pHexView = nullptr;
    QComboBox* m_pIcType = nullptr;
    QLabel* m_pIcTypeLabel = nullptr;
    QPushButton* m_pLoad = nullptr;
    QPushButton* m_pSave = nullptr;
    CDetailSheet* m_pSheet = nullptr;
    std::array<CDetailPage*, 6> m_pPages{};
};

// Creates the detail dialog for the main dialog (the factory of ui/DetailDlgLink.h).
std::unique_ptr<IDetailDialog> CreateDetailDlg(QWidget* parent);
