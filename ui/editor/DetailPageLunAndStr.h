#pragma once

#include "ui/editor/DetailPage.h"
#include "view/editor/LunLayouts.h"

#include <array>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// The LUN and string pages: inquiry vendor, product and revision, the LUN strings, the inquiry string
// mode, the LUN count and the card-to-LUN grid. The pages differ only in the card layout they read and
// write (see LunLayouts.h).
class CDetailPage_LunAndStr : public CDetailPage {
    Q_OBJECT

public:
    static constexpr int IDC_LUN_STR = 1470; // + LUN, 0 to 4
    static constexpr int IDC_VENDOR = 1481;
    static constexpr int IDC_PRODUCT = 1482;
    static constexpr int IDC_REVISION = 1483;
    static constexpr int IDC_MAX_LUN = 1485;
    static constexpr int IDC_INQ_MODE = 1486;
    static constexpr int IDC_PREVIEW = 1450;   // + LUN
    static constexpr int IDC_ROW_LABEL = 1460; // + LUN

    // Templates 113 (six sockets) and 112.
    int TemplateWidth() const override { return m_layout == CardLayout::SixSockets ? 369 : 361; }
    // Check box of template column c (from 1) in LUN row r.
    static constexpr int CardBoxId(int row, int column) { return 1400 + 10 * row + column; }

    CDetailPage_LunAndStr(int nPage, uint32_t loadMessage, CardLayout layout);

    void LoadUserSetting() override;
    void LoadBinaryInfo() override;
    void RefreshControls() override;
    void EnableControls(uint32_t devBusy, uint32_t downBusy) override;

    std::string m_strVendor;
    std::string m_strProduct;
    std::string m_strRevision;
    std::array<std::string, kShownLunRows> m_strLun;
    int m_nMaxLun = 4;
    int m_nInqMode = 15;
    CardGrid m_Cards;
    CardColumns m_Columns;

private:
    void CreateControls();
    void FillMaxLunCombo();
    void FillInqModeCombo();
    void RefreshPreview();
    void ShowRows();
    // Controls to members.
    void ReadControls();

    void OnTextChanged(int id);
    void OnLunStrChanged(int lun);
    void OnInqModeChanged();
    void OnMaxLunChanged();
    void OnCardClicked(int column, int row);

    CardLayout m_layout;
    int m_nMaxLunSetting = 0;
    QComboBox* m_pMaxLun = nullptr;
    QComboBox* m_pInqMode = nullptr;
    QLineEdit* m_pVendor = nullptr;
    QLineEdit* m_pProduct = nullptr;
    QLineEdit* m_pRevision = nullptr;
    std::array<QLineEdit*, kShownLunRows> m_pLunStr{};
    std::array<QLabel*, kShownLunRows> m_pPreview{};
    std::array<QLabel*, kShownLunRows> m_pRowLabel{};
    QCheckBox* m_pCard[kCardColumns][kShownLunRows] = {};
};

class CDetailPage_2 : public CDetailPage_LunAndStr {
    Q_OBJECT
public:
    CDetailPage_2() : CDetailPage_LunAndStr(2, 0x4B1, *PageCardLayout(2)) {}
};

class CDetailPage_3 : public CDetailPage_LunAndStr {
    Q_OBJECT
public:
    CDetailPage_3() : CDetailPage_LunAndStr(3, 0x4C1, *PageCardLayout(3)) {}
};

class CDetailPage_4 : public CDetailPage_LunAndStr {
    Q_OBJECT
public:
    CDetailPage_4() : CDetailPage_LunAndStr(4, 0x4D1, *PageCardLayout(4)) {}
};

class CDetailPage_6 : public CDetailPage_LunAndStr {
    Q_OBJECT
public:
    CDetailPage_6() : CDetailPage_LunAndStr(6, 0x4F1, *PageCardLayout(6)) {}
};
