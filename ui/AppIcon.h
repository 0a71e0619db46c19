#pragma once

#include <QIcon>

// The application's icon, drawn in code: a card reader chip with its pins and a card slot.
QIcon QuillixIcon();
