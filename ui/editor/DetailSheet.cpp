#include "ui/editor/DetailSheet.h"

#include "ui/editor/DetailPage.h"

#include <QCloseEvent>

CDetailSheet::CDetailSheet(QWidget* parent, std::function<void()> onClose)
    : QTabWidget(parent), m_onClose(std::move(onClose)) {
    setWindowTitle(QStringLiteral("Detail Config"));
    connect(this, &QTabWidget::currentChanged, this, &CDetailSheet::OnCurrentChanged);
}

void CDetailSheet::AddPage(CDetailPage* page) {
    addTab(page, page->Caption());
    OnCurrentChanged(currentIndex());
}

void CDetailSheet::RemoveLastPage(QWidget* owner) {
    CDetailPage* page = PageAt(count() - 1);
    if (!page)
        return;
    removeTab(count() - 1);
    page->setParent(owner);
    page->hide();
    page->DestroyPageWindow();
}

CDetailPage* CDetailSheet::PageAt(int index) const {
    return qobject_cast<CDetailPage*>(widget(index));
}

void CDetailSheet::closeEvent(QCloseEvent* event) {
    event->ignore();
    m_onClose();
}

void CDetailSheet::OnCurrentChanged(int index) {
    if (CDetailPage* page = PageAt(index))
        page->CreatePageWindow();
}
