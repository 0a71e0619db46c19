#include "model/EestrFormat.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint8_t kStart = 9;
constexpr uint8_t kConfigAddr = 8;

// A 128-byte image whose string area from byte 9 is `areaLength` bytes long.
std::vector<uint8_t> ImageWithArea(size_t areaLength, size_t size = 128) {
    std::vector<uint8_t> image(size, 0xEE);
    image[kConfigAddr] = static_cast<uint8_t>(kStart + 28 + areaLength);
    return image;
}

std::vector<uint8_t> Area(const std::vector<uint8_t>& image, size_t length) {
    return std::vector<uint8_t>(image.begin() + kStart, image.begin() + kStart + length);
}

TEST(EestrFormat, EmptySerialNumberEndsTheArea) {
    std::vector<uint8_t> image = ImageWithArea(40);
    CEestrFormat strings;
    strings.m_UsbStrings = {"ABC", "DEF", ""};
    strings.m_LunStrings[0] = "0";
    ASSERT_TRUE(strings.Encode(image.data(), image.size(), kStart, kConfigAddr, 0));

    std::vector<uint8_t> expected = {5, 3, 'A', 'B', 'C', 5, 3, 'D', 'E', 'F'};
    expected.resize(40, 0);
    EXPECT_EQ(Area(image, 40), expected);
    EXPECT_EQ(image[kStart + 40], 0xEE);

    CEestrFormat decoded;
    decoded.Decode(image.data(), image.size(), kStart, kConfigAddr, 0);
    const std::array<std::string, 3> expectedUsb = {"ABC", "DEF", ""};
    EXPECT_EQ(decoded.m_UsbStrings, expectedUsb);
    EXPECT_EQ(decoded.m_LunStrings, (std::array<std::string, 8>{}));
}

struct DecodeCase {
    const char* name;
    std::vector<uint8_t> area;
    std::array<std::string, 3> usb;
    std::array<std::string, 8> lun;
};

// Three USB records up to offset 20, then a LUN record whose length byte claims 31 bytes of a 40-byte
// area; the bytes after the area are not zero.
std::vector<uint8_t> RecordBeyondArea() {
    std::vector<uint8_t> area = {3, 3, 'a', 3, 3, 'b', 14, 3, 'c'};
    area.resize(20, 0);
    area.push_back(0x1F);
    area.push_back(3);
    area.resize(40, 'q');
    return area;
}

class Decode : public testing::TestWithParam<DecodeCase> {};

TEST_P(Decode, ReadsTheRecords) {
    const DecodeCase& c = GetParam();
    std::vector<uint8_t> image = ImageWithArea(40);
    std::fill_n(image.begin() + kStart, 40, 0);
    std::copy(c.area.begin(), c.area.end(), image.begin() + kStart);
    CEestrFormat strings;
    strings.m_LunStrings[7] = "stale";
    strings.Decode(image.data(), image.size(), kStart, kConfigAddr, 0);
    EXPECT_EQ(strings.m_UsbStrings, c.usb);
    EXPECT_EQ(strings.m_LunStrings, c.lun);
}

INSTANTIATE_TEST_SUITE_P(
    Areas, Decode,
    testing::Values(DecodeCase{"LengthByteOne", {1, 3, 'A'}, {}, {}},
                    DecodeCase{"LunRecord0x65",
                               {3, 3, 'a', 3, 3, 'b', 3, 3, 'c', 0x65, 3, 'x', 'y', 'z'},
                               {"a", "b", "c"},
                               {"", "", "", "xyz", "", "", "", ""}},
                    DecodeCase{"TextEndsAtZeroByte", {6, 3, 'a', 0, 'b', 'c', 2, 3}, {"a", "", ""}, {}},
                    DecodeCase{"Latin1", {4, 3, 0xE9, 0xFF}, {"\xC3\xA9\xC3\xBF", "", ""}, {}},
                    // A length byte that is not below the area length stops the decode.
                    DecodeCase{"LengthReachesAreaEnd", {3, 3, 'a', 40, 3, 'b'}, {"a", "", ""}, {}},
                    // A record claiming more bytes than the area holds is cut at the area end.
                    DecodeCase{"RecordBeyondArea",
                               RecordBeyondArea(),
                               {"a", "b", "c"},
                               {std::string(18, 'q'), "", "", "", "", "", "", ""}}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

TEST(EestrFormat, LongUsbRecordIsCappedAtSixtyFourBytes) {
    std::vector<uint8_t> image = ImageWithArea(100, 160);
    std::vector<uint8_t> area = {70, 3};
    area.resize(2 + 68, 'x');
    std::copy(area.begin(), area.end(), image.begin() + kStart);
    image[kStart + 64] = 4;
    image[kStart + 65] = 3;
    image[kStart + 66] = 'P';
    image[kStart + 67] = 'Q';
    CEestrFormat strings;
    strings.Decode(image.data(), image.size(), kStart, kConfigAddr, 0);
    EXPECT_EQ(strings.m_UsbStrings[0], std::string(62, 'x'));
    EXPECT_EQ(strings.m_UsbStrings[1], "PQ");
}

struct RejectCase {
    const char* name;
    size_t areaLength;
    std::array<std::string, 3> usb;
    std::array<std::string, 8> lun;
};

class EncodeRejects : public testing::TestWithParam<RejectCase> {};

TEST_P(EncodeRejects, AndWritesNothing) {
    const RejectCase& c = GetParam();
    std::vector<uint8_t> image = ImageWithArea(c.areaLength);
    const std::vector<uint8_t> before = image;
    CEestrFormat strings;
    strings.m_UsbStrings = c.usb;
    strings.m_LunStrings = c.lun;
    EXPECT_FALSE(strings.Encode(image.data(), image.size(), kStart, kConfigAddr, 0));
    EXPECT_EQ(image, before);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, EncodeRejects,
    testing::Values(RejectCase{"UsbStringOver62", 128 - 37, {std::string(63, 'u'), "p", "s"}, {}},
                    RejectCase{"LunStringOver29", 80, {"m", "p", "s"}, {std::string(30, 'l')}},
                    RejectCase{"DoesNotFit", 12, {"abc", "def", "g"}, {}},
                    RejectCase{"RecordAsLongAsTheArea", 12, {"0123456789", "", ""}, {}},
                    RejectCase{"ZeroCharacter", 40, {std::string("a\0b", 3), "p", "s"}, {}}),
    [](const testing::TestParamInfo<RejectCase>& info) { return std::string(info.param.name); });

TEST(EestrFormat, AreaBeyondTheImageIsNeitherReadNorWritten) {
    // The pointer asks for a 60-byte area from byte 9, but the image has only 40 bytes.
    std::vector<uint8_t> image = ImageWithArea(60, 40);
    image[kStart] = 3;
    image[kStart + 1] = 3;
    image[kStart + 2] = 'a';
    const std::vector<uint8_t> before = image;
    CEestrFormat strings;
    strings.Decode(image.data(), image.size(), kStart, kConfigAddr, 0);
    EXPECT_EQ(strings.m_UsbStrings[0], "");
    strings.m_UsbStrings = {"m", "p", "s"};
    EXPECT_FALSE(strings.Encode(image.data(), image.size(), kStart, kConfigAddr, 0));
    EXPECT_EQ(image, before);
    // A pointer byte outside the image.
    EXPECT_FALSE(strings.Encode(image.data(), image.size(), kStart, 40, 0));
    EXPECT_FALSE(CEestrFormat::AreaLength(image.data(), image.size(), kStart, 40, 0).has_value());
}

TEST(EestrFormat, AreaCoveringItsOwnPointerIsRefused) {
    // Pointer byte 24 inside an area from byte 9: writing the area would change its own length.
    std::vector<uint8_t> image(128, 0);
    image[24] = 80;
    const std::vector<uint8_t> before = image;
    CEestrFormat strings;
    strings.m_UsbStrings = {"m", "p", "s"};
    EXPECT_FALSE(strings.Encode(image.data(), image.size(), kStart, 24, 0));
    EXPECT_EQ(image, before);
    EXPECT_FALSE(CEestrFormat::AreaLength(image.data(), image.size(), kStart, 24, 0).has_value());
}

TEST(EestrFormat, AreaLengthOutsideZeroTo128CountsAsEmpty) {
    std::vector<uint8_t> image(256, 0);
    image[kConfigAddr] = 10; // 10 - 9 - 28 < 0
    EXPECT_EQ(CEestrFormat::AreaLength(image.data(), image.size(), kStart, kConfigAddr, 0), 0u);
    image[kConfigAddr] = 200; // 200 - 37 > 128
    EXPECT_EQ(CEestrFormat::AreaLength(image.data(), image.size(), kStart, kConfigAddr, 0), 0u);
    image[kConfigAddr] = 100;
    EXPECT_EQ(CEestrFormat::AreaLength(image.data(), image.size(), kStart, kConfigAddr, 20), 83u);
}

TEST(EestrFormat, CharactersAboveLatin1BecomeQuestionMarks) {
    std::vector<uint8_t> image = ImageWithArea(40);
    CEestrFormat strings;
    strings.m_UsbStrings = {"Caf\xC3\xA9", "\xE2\x82\xAC", "s"};
    ASSERT_TRUE(strings.Encode(image.data(), image.size(), kStart, kConfigAddr, 0));
    EXPECT_EQ(Area(image, 11), (std::vector<uint8_t>{6, 3, 'C', 'a', 'f', 0xE9, 3, 3, '?', 3, 3}));
}

// Random strings within the record limits decode exactly as they were encoded.
TEST(EestrFormat, RandomStringsRoundTrip) {
    std::mt19937 random(20240611);
    auto randomText = [&](size_t maxChars) {
        std::string text;
        const size_t length = std::uniform_int_distribution<size_t>(1, maxChars)(random);
        for (size_t i = 0; i < length; ++i) {
            // Latin-1 characters 1 to 255, as UTF-8.
            const unsigned code = std::uniform_int_distribution<unsigned>(1, 255)(random);
            if (code < 0x80) {
                text += static_cast<char>(code);
            } else {
                text += static_cast<char>(0xC0 | (code >> 6));
                text += static_cast<char>(0x80 | (code & 0x3F));
            }
        }
        return text;
    };
    for (int round = 0; round < 500; ++round) {
        CEestrFormat strings;
        size_t budget = 128;
        // Each text takes at most what is left of the 128-byte area; USB strings are never empty.
        auto take = [&](size_t maxChars, size_t share) {
            std::string text = randomText(std::min(maxChars, (budget - 2) / share));
            budget -= platform::CharCount(text) + 2;
            return text;
        };
        for (std::string& text : strings.m_UsbStrings)
            text = take(CEestrFormat::kMaxUsbStringChars, 3);
        for (std::string& text : strings.m_LunStrings) {
            if (budget >= 3 && std::bernoulli_distribution(0.5)(random))
                text = take(CEestrFormat::kMaxLunStringChars, 1);
        }
        std::vector<uint8_t> image(9 + 28 + 128, 0);
        image[kConfigAddr] = static_cast<uint8_t>(9 + 28 + 128);
        ASSERT_TRUE(strings.Encode(image.data(), image.size(), kStart, kConfigAddr, 0)) << round;
        CEestrFormat decoded;
        decoded.Decode(image.data(), image.size(), kStart, kConfigAddr, 0);
        EXPECT_EQ(decoded.m_UsbStrings, strings.m_UsbStrings) << round;
        EXPECT_EQ(decoded.m_LunStrings, strings.m_LunStrings) << round;
    }
}

} // namespace
