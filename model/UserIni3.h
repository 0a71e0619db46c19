#pragma once

#include "model/UserIni2.h"

#include <string>

// Inquiry product suffixes per string mode and LUN ("Vendor Info S2") and the editor pages ("Vendor Info
// P3").
class CUserIni3 : public CUserIni2 {
public:
    using CUserIni2::CUserIni2;

    // The product text keeps its first "Mode<m>_Lun<n>_Pos" characters (default 16) and gets the
    // "Mode<m>_Lun<n>_Str" suffix, cut or blank-padded to the rest of the 16 characters. Always true.
    bool GetModeLunStr(unsigned mode, unsigned lun, std::string& product) const;

    uint32_t GetUIType() const;
};
