#include "ui/editor/DetailPageFactory.h"

#include "ui/editor/DetailPage1.h"
#include "ui/editor/DetailPage5.h"
#include "ui/editor/DetailPageLunAndStr.h"

CDetailPage* CreateDetailPage(int number, QWidget* owner) {
    CDetailPage* page = nullptr;
    switch (number) {
    case 1:
        page = new CDetailPage_1();
        break;
    case 2:
        page = new CDetailPage_2();
        break;
    case 3:
        page = new CDetailPage_3();
        break;
    case 4:
        page = new CDetailPage_4();
        break;
    case 5:
        page = new CDetailPage_5();
        break;
    default:
        page = new CDetailPage_6();
        break;
    }
    page->setParent(owner);
    return page;
}
