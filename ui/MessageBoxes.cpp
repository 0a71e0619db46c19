#include "ui/MessageBoxes.h"

#include "ui/QtText.h"

#include <QMessageBox>

namespace {

class QtMessageBoxes : public IMessageBoxes {
public:
    MsgAnswer Show(QWidget* parent, const MessageBoxRequest& request) override {
        QMessageBox box(IconOf(request.icon), ToQt(request.caption), ToQt(request.text),
                        ButtonsOf(request.buttons), parent);
        if (request.buttons == MsgButtons::YesNo) {
            box.setDefaultButton(QMessageBox::No);
            return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
        }
        return box.exec() == QMessageBox::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }

private:
    static QMessageBox::StandardButtons ButtonsOf(MsgButtons buttons) {
        switch (buttons) {
        case MsgButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MsgButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MsgButtons::Ok:
            break;
        }
        return QMessageBox::Ok;
    }

    static QMessageBox::Icon IconOf(MsgIcon icon) {
        switch (icon) {
        case MsgIcon::Error:
            return QMessageBox::Critical;
        case MsgIcon::Warning:
            return QMessageBox::Warning;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::None:
            break;
        }
        return QMessageBox::NoIcon;
    }
};

QtMessageBoxes g_QtMessageBoxes;
IMessageBoxes* g_pMessageBoxes = &g_QtMessageBoxes;

} // namespace

MsgAnswer ShowMessageBox(QWidget* parent, const MessageBoxRequest& request) {
    return g_pMessageBoxes->Show(parent, request);
}

IMessageBoxes* SetMessageBoxes(IMessageBoxes* boxes) {
    IMessageBoxes* previous = g_pMessageBoxes;
    g_pMessageBoxes = boxes ? boxes : &g_QtMessageBoxes;
    return previous;
}
