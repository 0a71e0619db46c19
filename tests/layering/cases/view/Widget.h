#pragma once

// Goes against the layers: only the dialogs use Qt.
#include <QWidget>
