#pragma once

#include "model/ProjectTypes.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Every vendor field of an image as the editor reads it through the device-type object, and the chip
// check's verdict.
struct ImageReport {
    std::string strKind;
    std::string strBus;
    std::string strDeviceType;
    std::string strIcIni; // empty: the built-in layout
    std::string strIcName;
    uint64_t nSize = 0;
    bool bCheckPassed = false;

    uint16_t wVid = 0xFFFF;
    uint16_t wPid = 0xFFFF;
    std::string strManufacturer;
    std::string strProduct;
    std::string strSerial;

    std::string strInqVendor;
    std::string strInqProduct;
    std::string strInqRevision;
    uint8_t byInqStrMode = 0xFF;
    std::vector<std::string> lunStrings;

    // The properties of the IC INI file's property sections, as the advanced page shows them.
    struct Property {
        unsigned nSection;
        std::string strGroup;
        std::string strName;
        uint32_t dwValue;
        uint32_t dwEnable;
        bool bInEffect;
        std::string strText;
    };
    std::vector<Property> properties;

    // The LUN pages of the editor that the IC INI file's "UI Type" shows: the MAX LUN entry and each
    // LUN's ticked cards, as the page reads them.
    struct LunPage {
        int nPage;
        int nMaxLun;
        std::vector<std::vector<std::string>> cards; // per LUN, from LUN 0
    };
    std::vector<LunPage> lunPages;

    // FLASH only: where the vendor block starts, the configured firmware code size (none: the reader's
    // generation decides) and the firmware version field.
    bool bFlash = false;
    std::optional<uint64_t> vendorOffset;
    std::optional<uint32_t> codeSize;
    uint16_t wFwVersion = 0xFFFF;
};

// Loads the image into the device-type object's upload buffer and reads it back field by field.
ImageReport ReadImageReport(const std::vector<uint8_t>& image);

nlohmann::ordered_json ReportToJson(const ImageReport& report);
std::string ReportToText(const ImageReport& report);
