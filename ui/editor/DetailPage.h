#pragma once

#include "app/TraceLog.h"
#include "ui/DialogUnits.h"

#include <QWidget>

#include <cstdint>
#include <utility>
#include <vector>

// Base of the editor's pages. A page object lives as long as the detail dialog; its "window" exists
// from its first activation in the sheet until it is removed from the sheet, and only then does it
// read the image.
class CDetailPage : public QWidget, public CDumpStr {
    Q_OBJECT

public:
    CDetailPage(int nPage, uint32_t loadMessage);

    int PageNumber() const { return m_nPage; }
    QString Caption() const;
    bool WindowExists() const { return m_bWindowExists; }

    // The sheet shows the page for the first time since it was added.
    void CreatePageWindow();
    // The sheet removed the page.
    void DestroyPageWindow() { m_bWindowExists = false; }

    // The page's load handler: settings, image and controls.
    virtual void LoadUserSetting() = 0;
    // Re-reads the page's fields from the upload image.
    virtual void LoadBinaryInfo() = 0;
    // Members to controls.
    virtual void RefreshControls() = 0;
    // The main dialog's busy flags: enabled only when both are 0 and a valid image is present.
    virtual void EnableControls(uint32_t devBusy, uint32_t downBusy) = 0;
    // The width of the page's template in dialog units: the sheet is at least this wide.
    virtual int TemplateWidth() const { return 338; }

protected:
    // Runs when the page window comes into being; pages 2 to 6 load themselves through their own message.
    virtual void OnInitDialog();

    // The upload image is present and the device type accepts it.
    static bool HasValidImage();
    // After a write into the image: refresh the editor, scroll to `scrollTo` and highlight each
    // (offset, length) range.
    static void NotifyEdit(uint32_t scrollTo, const std::vector<std::pair<uint32_t, uint32_t>>& highlights);
    // The codec's last written position, which is reset to 0.
    static uint8_t TakeLastWritePos();

    void Place(QWidget* control, const DluRect& rect) const;
    DialogBaseUnits m_units;

private:
    int m_nPage;
    uint32_t m_dwLoadMessage;
    bool m_bWindowExists = false;
};
