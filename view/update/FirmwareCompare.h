#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CDevTypeInfo;

// The firmware check: the image read from the reader against reference images.

// A reference matches when it is not empty, fits inside the image read and equals the image's first
// bytes over its own length. A reference longer than the image read is never a match, so nothing is
// compared beyond the image.
bool ReferenceMatches(const uint8_t* image, size_t imageSize, const uint8_t* reference, size_t referenceSize);

// Carries the reader's vendor information (the raw half of the vendor block, then VID, PID and the USB
// strings through the field codec) from `from` into the vendor block of `to`, so that only the
// firmware code differs. Nothing is copied unless both images have a vendor block with room for it.
// True when it copied.
bool CopyHoldInfo(CDevTypeInfo& dev, const uint8_t* from, size_t fromSize, uint8_t* to, size_t toSize);

// Loads each reference file in turn into the download image and compares it with the upload image;
// with `holdInfo` the reader's vendor information is copied into the reference first. A file that
// cannot be loaded or is empty is skipped. The first matching file, or nothing.
std::optional<std::string> FindMatchingReference(CDevTypeInfo& dev, const std::vector<std::string>& files,
                                                 bool holdInfo);

// The "*.BIN" files of a folder in directory order, as full paths.
std::vector<std::string> ReferenceFiles(const std::string& folder);

// What the result box shows: the text, the highlighted word and its colour, and whether the text after
// the first line feed (the matching file's name) is coloured as well.
struct CheckResultText {
    std::string text;
    std::string highlight;
    uint32_t rgb = 0;
    bool bColourTail = false;
};

CheckResultText PassText(const std::string& matchingFile);
CheckResultText FailText();
// The text for a failed read: the message of the code, or the check dialog's own wording for no reader
// (41511) and several readers (41513). Black, nothing highlighted.
CheckResultText ReadFailureText(uint32_t code);
