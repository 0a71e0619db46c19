#pragma once

#include "view/update/StatusTone.h"

class QLabel;

// Gives a status label the text colour of its tone (the palette's own colour for a plain one).
void ShowTone(QLabel* label, StatusTone tone);
