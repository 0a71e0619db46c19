#pragma once

#include <string>

class QWidget;

// What a message box shows and which buttons it offers.
enum class MsgIcon { None, Error, Warning, Question, Information };
// YesNo has No as its default button, so Enter alone never confirms.
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct MessageBoxRequest {
    std::string text;
    std::string caption;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
};

// Every message box of the dialogs goes through here, so tests can answer them and see what was
// shown. The default shows a modal Qt message box over `parent`.
class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    virtual MsgAnswer Show(QWidget* parent, const MessageBoxRequest& request) = 0;
};

MsgAnswer ShowMessageBox(QWidget* parent, const MessageBoxRequest& request);

// Installs the message boxes to use (nullptr: the Qt ones again); returns the previous ones.
IMessageBoxes* SetMessageBoxes(IMessageBoxes* boxes);
