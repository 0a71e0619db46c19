#pragma once

class CDetailPage;
class QWidget;

// A new page object of the editor, numbered 1 to 6, owned by `owner`.
CDetailPage* CreateDetailPage(int number, QWidget* owner);
