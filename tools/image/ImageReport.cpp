#include "tools/image/ImageReport.h"

#include "app/Messages.h"
#include "device/DevTypeInfo.h"
#include "model/IcTypeIni.h"
#include "model/PropertyDisplay.h"
#include "platform/Text.h"
#include "tools/image/ChipContext.h"
#include "view/editor/DetailDlgRules.h"
#include "view/editor/FieldsLunAccess.h"

namespace {

// The image holds single-byte text; a string that is not UTF-8 is shown as Latin-1.
std::string Printable(const std::string& text) {
    return platform::IsValidUtf8(text) ? text : platform::Latin1ToUtf8(text);
}

std::string Hex16(uint16_t value) {
    return platform::StrPrintf("0x%04X", value);
}

constexpr size_t kLunStringCount = 8;

} // namespace

ImageReport ReadImageReport(const std::vector<uint8_t>& image) {
    ImageReport report;
    report.strKind = MemoryKindKey(g_ProjectType);
    report.strBus = BusKey(g_BusType);
    report.strDeviceType = g_pDevTypeInfo->Layout().pszClassName;
    if (g_pIcTypeIni) {
        report.strIcIni = g_pIcTypeIni->m_strIniName;
        report.strIcName = g_pIcTypeIni->m_strIcName;
    }
    report.nSize = image.size();

    CDevTypeInfo& dev = *g_pDevTypeInfo;
    dev.SetUploadImage(image);
    report.bCheckPassed = dev.CheckUploadImage();
    ImageFields fields = dev.UploadFields();
    report.wVid = fields.GetVID();
    report.wPid = fields.GetPID();
    report.strManufacturer = Printable(fields.GetManufacturer());
    report.strProduct = Printable(fields.GetProduct());
    report.strSerial = Printable(fields.GetSerialNumber());
    report.strInqVendor = Printable(fields.GetInqVendor());
    report.strInqProduct = Printable(fields.GetInqProduct());
    report.strInqRevision = Printable(fields.GetInqRevision());
    report.byInqStrMode = fields.GetInqStrMode();
    for (size_t n = 0; n < kLunStringCount; ++n)
        report.lunStrings.push_back(Printable(fields.GetLunStr(n)));

    if (g_pIcTypeIni) {
        const int maxLun = ClampMaxLun(g_pIcTypeIni->GetMaxLun());
        for (int page : DetailPagesForUiType(g_pIcTypeIni->GetUIType())) {
            const std::optional<CardLayout> layout = PageCardLayout(page);
            if (!layout)
                continue;
            CardGrid grid;
            const int selected = ReadCardLayout(*layout, FieldsLunAccess(fields), maxLun, grid);
            ImageReport::LunPage shown{page, selected + 1, {}};
            for (int row = 0; row <= selected && row < kShownLunRows; ++row) {
                std::vector<std::string> cards;
                for (int column = 0; column < kCardColumns; ++column) {
                    if (HasCardBox(*layout, column, row) && grid.bCard[column][row])
                        cards.push_back(CardColumnHeading(*layout, column));
                }
                shown.cards.push_back(cards);
            }
            report.lunPages.push_back(shown);
        }
        const uint32_t showStyle = g_pIcTypeIni->GetShowStyle();
        const std::string dependsOnFw = LoadMessage(IDS_DEPENDS_ON_FW);
        const std::string noOption = LoadMessage(IDS_NO_CORRECT_OPTION);
        for (const PropertyLayout& property : g_pIcTypeIni->GetProperties(g_ProjectType, g_BusType)) {
            const ImageFields::PropertyReading reading = fields.ReadProperty(property);
            const PropertyDisplay display = DisplayProperty(property, reading.dwValue, reading.dwEnable,
                                                            showStyle, dependsOnFw, noOption);
            report.properties.push_back({property.byIndex, Printable(property.strGroupName),
                                         Printable(property.strName), reading.dwValue, reading.dwEnable,
                                         IsPropertyInEffect(property.funEnable.byMode, reading.dwEnable),
                                         Printable(display.text)});
        }
    }

    report.bFlash = g_ProjectType == FLASH;
    if (report.bFlash) {
        if (dev.GetVendorUp())
            report.vendorOffset = static_cast<uint64_t>(dev.GetVendorUp() - dev.GetDataUp());
        uint32_t codeSize = 0;
        if (g_pIcTypeIni && g_pIcTypeIni->GetFlashCodeSize(codeSize))
            report.codeSize = codeSize;
        report.wFwVersion = fields.GetFWVER();
    }
    return report;
}

nlohmann::ordered_json ReportToJson(const ImageReport& report) {
    nlohmann::ordered_json json;
    json["kind"] = report.strKind;
    json["bus"] = report.strBus;
    json["device_type"] = report.strDeviceType;
    json["ic_ini"] =
        report.strIcIni.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(report.strIcIni);
    json["ic_name"] = report.strIcName;
    json["size"] = report.nSize;
    json["check"] = report.bCheckPassed ? "pass" : "fail";
    json["vid"] = Hex16(report.wVid);
    json["pid"] = Hex16(report.wPid);
    json["manufacturer"] = report.strManufacturer;
    json["product"] = report.strProduct;
    json["serial"] = report.strSerial;
    json["inquiry"] = {{"vendor", report.strInqVendor},
                       {"product", report.strInqProduct},
                       {"revision", report.strInqRevision},
                       {"string_mode", report.byInqStrMode}};
    json["lun_strings"] = report.lunStrings;
    nlohmann::ordered_json properties = nlohmann::ordered_json::array();
    for (const ImageReport::Property& property : report.properties)
        properties.push_back({{"section", property.nSection},
                              {"group", property.strGroup},
                              {"name", property.strName},
                              {"value", property.dwValue},
                              {"enable", property.dwEnable},
                              {"in_effect", property.bInEffect},
                              {"text", property.strText}});
    json["properties"] = properties;
    nlohmann::ordered_json lunPages = nlohmann::ordered_json::array();
    for (const ImageReport::LunPage& page : report.lunPages)
        lunPages.push_back({{"page", page.nPage}, {"max_lun", page.nMaxLun}, {"cards", page.cards}});
    json["lun_pages"] = lunPages;
    if (report.bFlash) {
        nlohmann::ordered_json flash;
        flash["vendor_offset"] =
            report.vendorOffset ? nlohmann::ordered_json(*report.vendorOffset) : nlohmann::ordered_json();
        flash["code_size"] =
            report.codeSize ? nlohmann::ordered_json(*report.codeSize) : nlohmann::ordered_json();
        flash["fw_version"] = Hex16(report.wFwVersion);
        json["flash"] = flash;
    }
    return json;
}

std::string ReportToText(const ImageReport& report) {
    std::string text;
    auto line = [&text](const char* name, const std::string& value) {
        text += platform::StrPrintf("%-22s %s\n", name, value.c_str());
    };
    line("Memory:", report.strKind + " " + report.strBus + " (" + report.strDeviceType + ")");
    line("IC INI:", report.strIcIni.empty() ? "built-in layout" : report.strIcIni);
    if (!report.strIcName.empty())
        line("IC name:", report.strIcName);
    line("Size:", std::to_string(report.nSize));
    line("Check:", report.bCheckPassed ? "pass" : "fail");
    line("VID:", Hex16(report.wVid));
    line("PID:", Hex16(report.wPid));
    line("Manufacturer:", "\"" + report.strManufacturer + "\"");
    line("Product:", "\"" + report.strProduct + "\"");
    line("Serial:", "\"" + report.strSerial + "\"");
    line("Inquiry vendor:", "\"" + report.strInqVendor + "\"");
    line("Inquiry product:", "\"" + report.strInqProduct + "\"");
    line("Inquiry revision:", "\"" + report.strInqRevision + "\"");
    line("Inquiry string mode:", std::to_string(report.byInqStrMode));
    for (size_t n = 0; n < report.lunStrings.size(); ++n)
        line(platform::StrPrintf("LUN %zu string:", n).c_str(), "\"" + report.lunStrings[n] + "\"");
    for (const ImageReport::LunPage& page : report.lunPages) {
        line(platform::StrPrintf("LUN page %d:", page.nPage).c_str(),
             "MAX LUN " + std::to_string(page.nMaxLun));
        for (size_t lun = 0; lun < page.cards.size(); ++lun) {
            std::string cards;
            for (const std::string& card : page.cards[lun])
                cards += (cards.empty() ? "" : " ") + card;
            line(platform::StrPrintf("  LUN %zu cards:", lun).c_str(), cards.empty() ? "none" : cards);
        }
    }
    for (const ImageReport::Property& property : report.properties)
        text += platform::StrPrintf("Property %s / %s: %s%s\n", property.strGroup.c_str(),
                                    property.strName.c_str(), property.strText.c_str(),
                                    property.bInEffect ? "" : " (not in effect)");
    if (report.bFlash) {
        line("Vendor block offset:",
             report.vendorOffset
                 ? platform::StrPrintf("0x%llX", static_cast<unsigned long long>(*report.vendorOffset))
                 : std::string("none"));
        line("Code size:", report.codeSize ? platform::StrPrintf("0x%X", *report.codeSize)
                                           : std::string("set by the reader"));
        line("Firmware version:", Hex16(report.wFwVersion));
    }
    return text;
}
