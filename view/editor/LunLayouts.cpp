#include "view/editor/LunLayouts.h"

#include "platform/Text.h"

#include <algorithm>

namespace {

constexpr int kInquiryProductChars = 16;

int CheckedInRow(const CardGrid& grid, const std::vector<int>& columns, int row) {
    int count = 0;
    for (int column : columns)
        count += grid.bCard[column][row] ? 1 : 0;
    return count;
}

// One box of the packed layout: the configuration byte and the bit that carry it.
struct PackedBox {
    int column;
    int row;
    unsigned lun;
    uint8_t mask;
};

constexpr PackedBox kPackedBoxes[] = {
    {0, 0, 0, 0x40}, {1, 0, 0, 0x20}, {2, 0, 0, 0x10}, {3, 0, 0, 0x08}, {1, 1, 1, 0x80},
    {2, 1, 1, 0x40}, {3, 1, 1, 0x20}, {1, 2, 2, 0x08}, {2, 2, 2, 0x04}, {3, 2, 2, 0x02},
    {1, 3, 3, 0x08}, {2, 3, 3, 0x04}, {3, 3, 3, 0x02},
};
constexpr uint8_t kPackedLunCountMask = 0x03;

// Bits of a LUN byte in the page 2 and page 3 layouts.
constexpr uint8_t kLunComboBit = 0x40;
constexpr uint8_t kLunPresentBit = 0x80;
constexpr uint8_t kSocketBits[kCardColumns] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20};
constexpr uint8_t kSingleLunSd = 0x04;
constexpr uint8_t kSingleLunMs = 0x08;

int LunCountFromPresentBits(const ILunAccess& lun, int maxLun) {
    int selected = 0;
    for (int n = kShownLunRows - 1; n >= 1; --n) {
        if (lun.GetLunData(static_cast<unsigned>(n), kLunPresentBit) == 1) {
            selected = n;
            break;
        }
    }
    return std::min(selected, maxLun - 1);
}

// Cards of a LUN as read back from the image: SD and MS count once whichever of their two bits is set.
int CardsInImageLun(CardLayout layout, const ILunAccess& lun, unsigned n) {
    if (layout == CardLayout::SixSockets) {
        int count = 0;
        for (uint8_t bit : kSocketBits)
            count += lun.GetLunData(n, bit) != 0 ? 1 : 0;
        return count;
    }
    return (lun.GetLunData(n, 0x01) != 0 ? 1 : 0) + (lun.GetLunData(n, 0x02) != 0 ? 1 : 0) +
           (lun.GetLunData(n, 0x04) != 0 || lun.GetLunData(n, 0x10) != 0 ? 1 : 0) +
           (lun.GetLunData(n, 0x08) != 0 || lun.GetLunData(n, 0x20) != 0 ? 1 : 0);
}

} // namespace

int ClampMaxLun(uint32_t maxLun) {
    return static_cast<int>(std::min<uint32_t>(maxLun, kLunGridRows));
}

void ApplyExclusiveColumn(CardGrid& grid, CardColumns& columns, int column, int row, bool checked) {
    if (checked) {
        std::fill(std::begin(grid.bCard[column]), std::end(grid.bCard[column]), false);
        grid.bCard[column][row] = true;
        columns.byCardLun[column] = static_cast<uint8_t>(row);
    } else if (columns.byCardLun[column] == row) {
        columns.byCardLun[column] = kNoLun;
    }
}

void ApplyTwoLunColumn(CardGrid& grid, CardColumns& columns, int column, int row, bool checked) {
    uint8_t& first = columns.byCardLun[column];
    uint8_t& second = columns.bySecondLun[column];
    if (checked) {
        if (first != kNoLun)
            second = first;
        first = static_cast<uint8_t>(row);
        std::fill(std::begin(grid.bCard[column]), std::end(grid.bCard[column]), false);
        for (uint8_t kept : {second, first})
            if (kept < kLunGridRows)
                grid.bCard[column][kept] = true;
    } else {
        if (second == row)
            second = kNoLun;
        if (first == row)
            first = kNoLun;
    }
}

std::optional<CardLayout> PageCardLayout(int page) {
    switch (page) {
    case 2:
        return CardLayout::BitPerCard;
    case 3:
        return CardLayout::SixSockets;
    case 4:
        return CardLayout::Packed;
    case 6:
        return CardLayout::SingleLun;
    default:
        return std::nullopt;
    }
}

const char* CardColumnHeading(CardLayout layout, int column) {
    static constexpr const char* kColumnHeadings[] = {"CF", "SM/xD", "SD/MMC", "MS/MSPRO"};
    static constexpr const char* kSocketHeadings[] = {"CF", "xD", "SD", "MS", "SD2", "MS2"};
    if (layout == CardLayout::SixSockets)
        return column >= 0 && column < kCardColumns ? kSocketHeadings[column] : "";
    return column >= 0 && column < 4 ? kColumnHeadings[column] : "";
}

std::vector<int> CardLayoutColumns(CardLayout layout) {
    switch (layout) {
    case CardLayout::SixSockets:
        return {0, 1, 2, 3, 4, 5};
    case CardLayout::SingleLun:
        return {2, 3};
    case CardLayout::BitPerCard:
    case CardLayout::Packed:
        break;
    }
    return {0, 1, 2, 3};
}

bool IsTwoLunColumn(CardLayout layout, int column) {
    return layout == CardLayout::BitPerCard && (column == 2 || column == 3);
}

bool HasCardBox(CardLayout layout, int column, int row) {
    const std::vector<int> columns = CardLayoutColumns(layout);
    if (std::find(columns.begin(), columns.end(), column) == columns.end() || row < 0 || row >= kShownLunRows)
        return false;
    if (layout == CardLayout::Packed)
        return column != 0 || row == 0;
    return true;
}

int ReadCardLayout(CardLayout layout, const ILunAccess& lun, int maxLun, CardGrid& grid) {
    switch (layout) {
    case CardLayout::BitPerCard:
        for (unsigned n = 0; n < kShownLunRows; ++n) {
            grid.bCard[0][n] = lun.GetLunData(n, 0x01) != 0;
            grid.bCard[1][n] = lun.GetLunData(n, 0x02) != 0;
            grid.bCard[2][n] = lun.GetLunData(n, 0x04) != 0 || lun.GetLunData(n, 0x10) != 0;
            grid.bCard[3][n] = lun.GetLunData(n, 0x08) != 0 || lun.GetLunData(n, 0x20) != 0;
        }
        return LunCountFromPresentBits(lun, maxLun);
    case CardLayout::SixSockets:
        for (unsigned n = 0; n < kShownLunRows; ++n)
            for (int c = 0; c < kCardColumns; ++c)
                grid.bCard[c][n] = lun.GetLunData(n, kSocketBits[c]) != 0;
        return LunCountFromPresentBits(lun, maxLun);
    case CardLayout::Packed:
        for (const PackedBox& box : kPackedBoxes)
            grid.bCard[box.column][box.row] = lun.GetLunData(box.lun, box.mask) != 0;
        return std::min(static_cast<int>(lun.GetLunData(0, kPackedLunCountMask)), maxLun - 1);
    case CardLayout::SingleLun:
        grid.bCard[2][0] = lun.GetLunData(0, kSingleLunSd) != 0;
        grid.bCard[3][0] = lun.GetLunData(0, kSingleLunMs) != 0;
        return maxLun - 1;
    }
    return maxLun - 1;
}

void WriteCardLayout(CardLayout layout, ILunAccess& lun, int maxLun, int selectedMaxLun,
                     const CardGrid& grid) {
    const std::vector<int> columns = CardLayoutColumns(layout);
    switch (layout) {
    case CardLayout::BitPerCard: {
        bool seenSd = false;
        bool seenMs = false;
        for (int n = 0; n < maxLun; ++n) {
            const unsigned u = static_cast<unsigned>(n);
            const bool sd = grid.bCard[2][n];
            const bool ms = grid.bCard[3][n];
            lun.SetLunData(u, 0x01, grid.bCard[0][n]);
            lun.SetLunData(u, 0x02, grid.bCard[1][n]);
            lun.SetLunData(u, 0x04, sd && !seenSd);
            lun.SetLunData(u, 0x08, ms && !seenMs);
            lun.SetLunData(u, 0x10, sd && seenSd);
            lun.SetLunData(u, 0x20, ms && seenMs);
            seenSd = seenSd || sd;
            seenMs = seenMs || ms;
            lun.SetLunData(u, kLunPresentBit, n <= selectedMaxLun);
        }
        break;
    }
    case CardLayout::SixSockets:
        for (int n = 0; n < maxLun; ++n) {
            for (int c = 0; c < kCardColumns; ++c)
                lun.SetLunData(static_cast<unsigned>(n), kSocketBits[c], grid.bCard[c][n]);
            lun.SetLunData(static_cast<unsigned>(n), kLunPresentBit, n <= selectedMaxLun);
        }
        break;
    case CardLayout::Packed:
        for (int row = 3; row >= 0; --row)
            for (const PackedBox& box : kPackedBoxes)
                if (box.row == row)
                    lun.SetLunData(box.lun, box.mask, grid.bCard[box.column][box.row]);
        lun.SetAllCombo(selectedMaxLun > 0);
        return;
    case CardLayout::SingleLun: {
        const bool both = grid.bCard[2][0] && grid.bCard[3][0];
        lun.SetLunData(0, kSingleLunSd, grid.bCard[2][0]);
        lun.SetLunData(0, kSingleLunMs, grid.bCard[3][0]);
        lun.SetLunData(0, kLunComboBit, both);
        lun.SetLunData(0, kLunPresentBit, both);
        return;
    }
    }
    bool allCombo = false;
    for (int n = maxLun - 1; n >= 0; --n) {
        const bool combo = CheckedInRow(grid, columns, n) > 1;
        lun.SetLunData(static_cast<unsigned>(n), kLunComboBit, combo);
        allCombo = allCombo || (combo && n <= selectedMaxLun);
    }
    lun.SetAllCombo(allCombo);
}

void WriteMaxLunChange(CardLayout layout, ILunAccess& lun, int selectedMaxLun) {
    switch (layout) {
    case CardLayout::BitPerCard:
    case CardLayout::SixSockets: {
        for (int n = kShownLunRows - 1; n >= 0; --n)
            lun.SetLunData(static_cast<unsigned>(n), kLunPresentBit, selectedMaxLun >= n);
        bool allCombo = false;
        for (int n = 0; n <= selectedMaxLun && n < kLunGridRows; ++n)
            allCombo = allCombo || CardsInImageLun(layout, lun, static_cast<unsigned>(n)) > 1;
        lun.SetAllCombo(allCombo);
        return;
    }
    case CardLayout::Packed:
        if (selectedMaxLun >= 0)
            lun.SetLunData(0, kPackedLunCountMask, static_cast<uint8_t>(selectedMaxLun));
        lun.SetAllCombo(selectedMaxLun > 0);
        return;
    case CardLayout::SingleLun:
        return;
    }
}

std::string InquiryProduct16(const std::string& product) {
    std::string cut = platform::LeftChars(product, kInquiryProductChars);
    cut.append(kInquiryProductChars - platform::CharCount(cut), ' ');
    return cut;
}

std::string InquiryPreview(const std::string& vendor, const std::string& productWithSuffix,
                           const std::string& revision, const std::string& lunString) {
    auto pad = [](const std::string& text, size_t width) {
        const size_t chars = platform::CharCount(text);
        return chars < width ? text + std::string(width - chars, ' ') : text;
    };
    std::string product = InquiryProduct16(productWithSuffix);
    if (!lunString.empty()) {
        const std::string tail = platform::LeftChars(lunString, kInquiryProductChars);
        product = platform::LeftChars(product, kInquiryProductChars - platform::CharCount(tail)) + tail;
    }
    return pad(vendor, 8) + " " + product + " " + pad(revision, 4);
}

std::string InquiryModeEntry(const std::vector<std::string>& lunSuffixes) {
    static const char* const kUnnamed[] = {"-0", "-1", "-2", "-3", "-4", "-"};
    int count = 0;
    std::string names;
    for (const std::string& suffix : lunSuffixes) {
        const size_t begin = suffix.find_first_not_of(' ');
        if (begin == std::string::npos)
            continue;
        std::string token = suffix.substr(begin, suffix.find(' ', begin) - begin);
        if (std::find(std::begin(kUnnamed), std::end(kUnnamed), token) != std::end(kUnnamed))
            continue;
        ++count;
        std::replace(token.begin(), token.end(), '-', ' ');
        names += token;
    }
    return names.empty() ? std::string("N/A") : platform::StrPrintf("%d-LUN%s", count, names.c_str());
}

uint32_t StringAreaSize(const std::string& text) {
    return text.empty() ? 0 : static_cast<uint32_t>(platform::CharCount(text)) + 2;
}

uint32_t LunStringOffset(uint32_t lastWritePos, const std::vector<std::string>& usbStrings,
                         const std::vector<std::string>& lunStrings, size_t lun) {
    uint32_t offset = lastWritePos;
    for (const std::string& text : usbStrings)
        offset += StringAreaSize(text);
    for (size_t n = 0; n < lun && n < lunStrings.size(); ++n)
        offset += StringAreaSize(lunStrings[n]);
    return offset;
}
