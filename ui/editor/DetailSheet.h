#pragma once

#include "app/TraceLog.h"

#include <QTabWidget>

#include <functional>

class CDetailPage;

// The property sheet of the detail dialog: one tab per page. A page's window comes into being when its
// tab is first shown; closing the sheet only hides the detail dialog.
class CDetailSheet : public QTabWidget, public CDumpStr {
    Q_OBJECT

public:
    CDetailSheet(QWidget* parent, std::function<void()> onClose);

    void AddPage(CDetailPage* page);
    // Removes the last page; it goes back to `owner`, hidden, and its window no longer exists.
    void RemoveLastPage(QWidget* owner);
    CDetailPage* PageAt(int index) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnCurrentChanged(int index);

    std::function<void()> m_onClose;
};
