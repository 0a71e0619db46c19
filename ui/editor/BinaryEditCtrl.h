#pragma once

#include "app/TraceLog.h"

#include <QTextEdit>

#include <cstdint>

// The read-only hex view of the upload image at the bottom of the detail dialog. It does not own the
// buffer: the dialog hands it the buffer, the vendor-area start and the size before every redraw.
class CBinaryEditCtrl : public QTextEdit, public CDumpStr {
    Q_OBJECT

public:
    explicit CBinaryEditCtrl(QWidget* parent = nullptr);

    // Sets the default character format: fixed-pitch, bold, 10 points, black.
    void InitUI();
    void SetData(const uint8_t* data, const uint8_t* viewStart, uint32_t size);
    // Replaces the whole text by the dump of the current data.
    void ShowBinary();
    // Grey background on `count` bytes from image offset `offset`, until the text is next replaced.
    void HighlightBytes(uint32_t offset, uint32_t count);
    // Scrolls the text by n whole lines (negative: up); the bottom of the text stops it.
    void LineScroll(int lines);
    // The line at the top of the view (the header is line 0).
    int FirstVisibleLine() const;

    const uint8_t* m_pData = nullptr;
    const uint8_t* m_pViewStart = nullptr;
    uint32_t m_nSize = 0;
};
