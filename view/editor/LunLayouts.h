#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The card-to-LUN layouts of the LUN and string pages, their check-box column rules and the texts the
// pages derive from the image, as plain functions over an abstract LUN accessor.

// The grid holds this many LUN rows; the pages show the first five.
inline constexpr int kLunGridRows = 8;
inline constexpr int kShownLunRows = 5;
inline constexpr int kCardColumns = 6;
inline constexpr uint8_t kNoLun = 0xFF;

// "MaxLun" of the IC INI file, limited to the rows of the grid.
int ClampMaxLun(uint32_t maxLun);

// Check boxes by card column (0 = the template's first column) and LUN row.
struct CardGrid {
    bool bCard[kCardColumns][kLunGridRows] = {};
};

// The rows the user last ticked in each column; not read back from the image.
struct CardColumns {
    uint8_t byCardLun[kCardColumns] = {kNoLun, kNoLun, kNoLun, kNoLun, kNoLun, kNoLun};
    uint8_t bySecondLun[kCardColumns] = {kNoLun, kNoLun, kNoLun, kNoLun, kNoLun, kNoLun};
};

// One card per column: ticking a box clears the rest of its column.
void ApplyExclusiveColumn(CardGrid& grid, CardColumns& columns, int column, int row, bool checked);
// Up to two LUNs per column: the two most recently ticked rows stay ticked.
void ApplyTwoLunColumn(CardGrid& grid, CardColumns& columns, int column, int row, bool checked);

// The LUN configuration bytes of an image as the layouts use them.
class ILunAccess {
public:
    virtual ~ILunAccess() = default;
    virtual uint8_t GetLunData(unsigned lun, uint8_t mask) const = 0;
    virtual bool SetLunData(unsigned lun, uint8_t mask, uint8_t value) = 0;
    virtual bool SetAllCombo(bool enable) = 0;
};

// The four card layouts: page 2 (a bit per card, SD and MS on up to two LUNs), page 3 (six sockets),
// page 4 (packed into four bytes, CF on LUN 0 only) and page 6 (SD and MS on LUN 0).
enum class CardLayout { BitPerCard, SixSockets, Packed, SingleLun };

// The layout of an editor page: 2 a bit per card, 3 six sockets, 4 packed, 6 a single LUN; none for a
// page without LUNs.
std::optional<CardLayout> PageCardLayout(int page);
// The heading of a column: the card kinds, or with six sockets the sockets.
const char* CardColumnHeading(CardLayout layout, int column);

// The columns a layout shows (template column numbers minus 1).
std::vector<int> CardLayoutColumns(CardLayout layout);
// Whether a column of a layout lets two LUNs carry the card.
bool IsTwoLunColumn(CardLayout layout, int column);
// Whether a layout shows a check box at (column, row) of the five rows; page 4 has CF on LUN 0 only.
bool HasCardBox(CardLayout layout, int column, int row);

// Reads the boxes of the layout into `grid` (other boxes keep their state) and returns the selected
// MAX LUN entry (LUN count minus 1; -1 when "MaxLun" is 0).
int ReadCardLayout(CardLayout layout, const ILunAccess& lun, int maxLun, CardGrid& grid);
// Writes the boxes and the LUN count after a box change.
void WriteCardLayout(CardLayout layout, ILunAccess& lun, int maxLun, int selectedMaxLun,
                     const CardGrid& grid);
// Writes a new MAX LUN entry (page 6 keeps its LUN count in the settings and writes nothing).
void WriteMaxLunChange(CardLayout layout, ILunAccess& lun, int selectedMaxLun);

// The 8 + 16 + 4 inquiry data a LUN reports: vendor padded to 8, the product (already carrying the
// mode's suffix, 16 characters) with its end replaced by the LUN string, revision padded to 4.
std::string InquiryPreview(const std::string& vendor, const std::string& productWithSuffix,
                           const std::string& revision, const std::string& lunString);
// The product cut and blank-padded to 16 characters.
std::string InquiryProduct16(const std::string& product);

// The inquiry string mode combo's entry for the five LUN suffixes of one mode: "N/A", or the count of
// named LUNs with their names, as in "2-LUN SD MS".
std::string InquiryModeEntry(const std::vector<std::string>& lunSuffixes);

// Where a LUN string lies in the string area: after the three USB strings and the LUN strings before it,
// each non-empty string taking its length plus a two-byte header.
uint32_t LunStringOffset(uint32_t lastWritePos, const std::vector<std::string>& usbStrings,
                         const std::vector<std::string>& lunStrings, size_t lun);
// A string's size in the string area: its length plus 2, or 0 when it is empty.
uint32_t StringAreaSize(const std::string& text);
