#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The editor's pages, numbered 1 to 6: which template and caption each has and which "UI Type" bit adds it.
struct DetailPageInfo {
    int nPage;
    int nTemplate;
    const char* pszCaption;
    uint32_t dwUiTypeBit; // 0: always present
};

// Every page, in the order the sheet shows them.
const std::vector<DetailPageInfo>& DetailPageTable();

// The pages of the sheet for a "UI Type" value, in sheet order: page 1 first, then those whose bit is set.
std::vector<int> DetailPagesForUiType(uint32_t uiType);

// "Detail Config", or "Detail Config - <chip name>" when the chip has a name.
std::string DetailCaption(const std::string& icName);
