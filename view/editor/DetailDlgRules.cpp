#include "view/editor/DetailDlgRules.h"

const std::vector<DetailPageInfo>& DetailPageTable() {
    static const std::vector<DetailPageInfo> kPages = {
        {1, 111, "Advanced Property", 0},    {2, 112, "Lun and String", 0x01},
        {3, 113, "Socket and String", 0x02}, {4, 112, "Lun and String", 0x04},
        {5, 117, "Vendor File", 0x08},       {6, 112, "Lun and String", 0x10},
    };
    return kPages;
}

std::vector<int> DetailPagesForUiType(uint32_t uiType) {
    std::vector<int> pages;
    for (const DetailPageInfo& page : DetailPageTable())
        if (page.dwUiTypeBit == 0 || (uiType & page.dwUiTypeBit) != 0)
            pages.push_back(page.nPage);
    return pages;
}

std::string DetailCaption(const std::string& icName) {
    return icName.empty() ? std::string("Detail Config") : "Detail Config - " + icName;
}
