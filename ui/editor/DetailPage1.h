#pragma once

#include "model/UserIni4.h"
#include "ui/editor/DetailPage.h"

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// "Advanced Property": a grid of the chip's feature settings, each described by a property section of
// the IC INI file, read from and written into the upload image.
class CDetailPage_1 : public CDetailPage {
    Q_OBJECT

public:
    static constexpr int IDC_GRID = 1503;
    static constexpr int IDC_FIND = 1510;
    static constexpr int IDC_FIND_TEXT = 1511;
    static constexpr int IDC_DEPENDS_ON_FW = 1520;
    static constexpr int IDC_SWATCH_USER = 1714;
    static constexpr int IDC_SWATCH_FW = 1715;
    static constexpr int IDC_USER_SETTING = 1716;
    // Columns of the grid.
    static constexpr int kNameColumn = 0;
    static constexpr int kValueColumn = 1;

    CDetailPage_1();

    void LoadUserSetting() override;
    void LoadBinaryInfo() override;
    void RefreshControls() override;
    void EnableControls(uint32_t devBusy, uint32_t downBusy) override;

    // The grid entry of a property (by its position in m_Properties).
    QTreeWidgetItem* Entry(size_t position) const { return m_Entries.at(position); }
    // Sets an entry's value as the user would and runs the change handling.
    void EditValue(size_t position, const std::string& text);
    void OnFind();

    std::vector<PropertyLayout> m_Properties;
    uint32_t m_nShowStyle = 0;
    std::string m_strFind;
    std::string m_strDependsOnFw;
    std::string m_strNoOption;

private:
    void ReadSettings();
    void InitUI();
    void OnPropertyChanged(size_t position);
    QString ValueText(size_t position) const;
    void SetValueText(size_t position, const QString& text);

    QTreeWidget* m_pGrid = nullptr;
    QLabel* m_pDescription = nullptr;
    QLineEdit* m_pFindText = nullptr;
    std::vector<QWidget*> m_Legend;
    std::vector<QTreeWidgetItem*> m_Entries;
    bool m_bFilling = false;
};
