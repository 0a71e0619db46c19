#pragma once

#include "model/UserIni.h"

// Logical units, the inquiry string mode and the all-combo bit of "Vendor Info P2".
class CUserIni2 : public CUserIni {
public:
    using CUserIni::CUserIni;

    // The inquiry string mode field ("LunStr ..."): 0xFF when it cannot be read.
    uint8_t GetInqStrMode(const uint8_t* image, size_t size) const;
    bool SetInqStrMode(uint8_t* image, size_t size, uint8_t value);

    // Position of LUN n's byte: "LunAddr_n", plus the configuration offset in relative mode when there
    // is one. Not checked against the image.
    uint8_t GetLunAddr(const uint8_t* image, size_t size, unsigned lun) const;
    // LUN n's byte under the caller's mask: 0xFF when it cannot be read.
    uint8_t GetLunData(const uint8_t* image, size_t size, unsigned lun, uint8_t mask) const;
    bool SetLunData(uint8_t* image, size_t size, unsigned lun, uint8_t mask, uint8_t value);

    // Mode 11 stores 1 and mode 12 stores 0 at "AllCombo Addr" under "AllCombo Mask" when enabling; the
    // two modes swap when disabling. False when nothing was written.
    bool SetAllCombo(uint8_t* image, size_t size, bool enable);

    uint32_t GetMaxLun() const;
    uint32_t GetLunInqProdStr() const;
    uint32_t GetSocketCF() const;
    uint32_t GetSocketSM() const;
    uint32_t GetSocketSD() const;
    uint32_t GetSocketMS() const;
    uint32_t GetSocketSD2() const;
    uint32_t GetSocketMS2() const;
    uint32_t GetInquiryStringMode() const;
    uint32_t GetMaxLunMode() const;

protected:
    FieldLayout GetLunLayout(unsigned lun, uint8_t mask) const;
};
