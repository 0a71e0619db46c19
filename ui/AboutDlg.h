#pragma once

#include <QDialog>

#include <string>

// "About Quillix": the icon, the version line and a short notice.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int IDD = 100;
    static constexpr int IDC_VERSION = 1000;
    static constexpr int IDC_NOTICE = 1001;
    static constexpr int IDOK = 1;

    explicit CAboutDlg(QWidget* parent = nullptr);
};

// "Quillix Version %S" with the short version.
std::string AboutVersionText(const char* version);
