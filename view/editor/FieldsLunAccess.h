#pragma once

#include "device/ImageFields.h"
#include "view/editor/LunLayouts.h"

// The LUN configuration bytes of an image window, for the card layouts.
class FieldsLunAccess : public ILunAccess {
public:
    explicit FieldsLunAccess(ImageFields fields) : m_fields(fields) {}
    uint8_t GetLunData(unsigned lun, uint8_t mask) const override { return m_fields.GetLunData(lun, mask); }
    bool SetLunData(unsigned lun, uint8_t mask, uint8_t value) override {
        return m_fields.SetLunData(lun, mask, value);
    }
    bool SetAllCombo(bool enable) override { return m_fields.SetAllCombo(enable); }

private:
    ImageFields m_fields;
};
