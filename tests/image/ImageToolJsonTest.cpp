// The JSON of show and diff stays as the README documents it: the output for the committed example
// images equals the committed JSON, and the README names every field.
#include "tests/support/NativePath.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <set>

namespace {

std::string Data(const std::string& name) {
    return std::string(QUILLIX_IMAGE_TEST_DATA) + "/" + name;
}

nlohmann::ordered_json RunJson(const std::vector<std::string>& args, int status) {
    testsupport::RunResult run = testsupport::RunProgram(QUILLIX_IMAGE_BINARY, args);
    EXPECT_EQ(run.status, status) << run.err;
    return nlohmann::ordered_json::parse(run.out);
}

nlohmann::ordered_json Committed(const std::string& name) {
    return nlohmann::ordered_json::parse(testsupport::ReadFileBytes(Data(name)));
}

// Every key of a JSON value, at any depth.
void Keys(const nlohmann::ordered_json& value, std::set<std::string>& keys) {
    if (value.is_object()) {
        for (const auto& [key, item] : value.items()) {
            keys.insert(key);
            Keys(item, keys);
        }
    } else if (value.is_array()) {
        for (const nlohmann::ordered_json& item : value)
            Keys(item, keys);
    }
}

const std::vector<std::string> kShow = {
    "show", "--json", testsupport::NativePath(Data("eeprom-usb.bin")), "--kind", "eeprom", "--bus", "usb"};
const std::vector<std::string> kDiff = {"diff",
                                        "--json",
                                        testsupport::NativePath(Data("eeprom-usb.bin")),
                                        testsupport::NativePath(Data("eeprom-usb-sn2.bin")),
                                        "--kind",
                                        "eeprom"};

TEST(ImageToolJson, ShowAndDiffGiveTheCommittedExamples) {
    // Compared as ordered JSON: the order of the fields is part of the format.
    EXPECT_EQ(RunJson(kShow, 0).dump(2), Committed("show-eeprom-usb.json").dump(2));
    EXPECT_EQ(RunJson(kDiff, 1).dump(2), Committed("diff-eeprom-usb.json").dump(2));
}

TEST(ImageToolJson, TheReadmeDocumentsEveryField) {
    const std::string readme = testsupport::ReadFileBytes(std::string(QUILLIX_SOURCE_DIR) + "/README.md");
    std::set<std::string> keys;
    Keys(Committed("show-eeprom-usb.json"), keys);
    Keys(Committed("diff-eeprom-usb.json"), keys);
    // FLASH images add the vendor block's fields.
    for (const char* flash : {"flash", "vendor_offset", "code_size", "fw_version"})
        keys.insert(flash);
    for (const std::string& key : keys)
        EXPECT_NE(readme.find("`" + key + "`"), std::string::npos) << key;
}

} // namespace
