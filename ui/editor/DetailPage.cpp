#include "ui/editor/DetailPage.h"

#include "device/DevTypeInfo.h"
#include "model/IcTypeIni.h"
#include "ui/DetailDlgLink.h"
#include "ui/DialogFont.h"
#include "view/editor/DetailDlgRules.h"

#include <QMetaObject>

CDetailPage::CDetailPage(int nPage, uint32_t loadMessage)
    : m_units(BaseUnitsOf(DialogFont())), m_nPage(nPage), m_dwLoadMessage(loadMessage) {
    setFont(DialogFont());
}

QString CDetailPage::Caption() const {
    for (const DetailPageInfo& info : DetailPageTable())
        if (info.nPage == m_nPage)
            return QString::fromLatin1(info.pszCaption);
    return QString();
}

void CDetailPage::CreatePageWindow() {
    if (m_bWindowExists)
        return;
    m_bWindowExists = true;
    OnInitDialog();
}

void CDetailPage::OnInitDialog() {
    if (m_dwLoadMessage == 0)
        return;
    // UM_PAGE_LOAD: the page loads itself once the sheet has shown it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_bWindowExists)
                LoadUserSetting();
        },
        Qt::QueuedConnection);
}

bool CDetailPage::HasValidImage() {
    return g_pDevTypeInfo && g_pDevTypeInfo->GetDataUp() && g_pDevTypeInfo->GetDataUpSize() != 0 &&
           g_pDevTypeInfo->CheckUploadImage();
}

void CDetailPage::NotifyEdit(uint32_t scrollTo,
                             const std::vector<std::pair<uint32_t, uint32_t>>& highlights) {
    if (!g_pDetailDlg)
        return;
    g_pDetailDlg->PostMessage(UM_DETAIL_REFRESH, 1, 0);
    g_pDetailDlg->PostMessage(UM_DETAIL_SCROLL_TO, scrollTo, 0);
    for (const auto& [offset, length] : highlights)
        g_pDetailDlg->PostMessage(UM_DETAIL_HIGHLIGHT, offset, static_cast<intptr_t>(length));
}

uint8_t CDetailPage::TakeLastWritePos() {
    if (!g_pIcTypeIni)
        return 0;
    const uint8_t position = g_pIcTypeIni->m_byLastWritePos;
    g_pIcTypeIni->m_byLastWritePos = 0;
    return position;
}

void CDetailPage::Place(QWidget* control, const DluRect& rect) const {
    PlaceControl(control, rect, m_units);
}
