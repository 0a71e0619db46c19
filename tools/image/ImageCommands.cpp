#include "tools/image/ImageCommands.h"

#include "app/ExitStatus.h"
#include "app/Messages.h"
#include "device/DevTypeInfo.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"
#include "tools/image/EfusePlanReport.h"
#include "tools/image/ImageDiff.h"
#include "tools/image/ImageReport.h"
#include "tools/image/SerialNumbers.h"

#include <cstdio>
#include <iostream>
#include <set>

namespace {

std::string JsonText(const nlohmann::ordered_json& json) {
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// Loads the chip and the image into the device-type object's upload buffer; 0 or the exit status.
int LoadChipAndImage(ChipContext& context, const ChipChoice& chip, const std::string& path,
                     std::vector<uint8_t>& bytes) {
    std::string error;
    if (ResultCode code = context.Load(chip, error))
        return Fail(code, error);
    if (ResultCode code = ReadImageFile(path, bytes, error))
        return Fail(code, error);
    return 0;
}

std::string CheckFailure(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string head;
    for (size_t i = 0; i < bytes.size() && i < 4; ++i)
        head += platform::StrPrintf(" %02X", bytes[i]);
    return platform::StrPrintf("%s is not an image of %s (%zu bytes, starting%s)", path.c_str(),
                               g_pDevTypeInfo->Layout().pszClassName, bytes.size(), head.c_str());
}

// Loads an image that `set` and `serials` edit: it must pass the chip check, as in the editor.
int LoadEditableImage(ChipContext& context, const ChipChoice& chip, const std::string& path,
                      std::vector<uint8_t>& bytes) {
    if (int status = LoadChipAndImage(context, chip, path, bytes))
        return status;
    g_pDevTypeInfo->SetUploadImage(bytes);
    if (!g_pDevTypeInfo->CheckUploadImage())
        return Fail(IDS_FILE_VENDOR_INFO_INVALID, CheckFailure(path, bytes));
    return 0;
}

std::vector<uint8_t> UploadBytes() {
    const uint8_t* data = g_pDevTypeInfo->GetDataUp();
    return std::vector<uint8_t>(data, data + g_pDevTypeInfo->GetDataUpSize());
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    const char last = folder.back();
    if (last == '/' || last == platform::kPathSeparator)
        return folder + name;
    return folder + platform::kPathSeparator + name;
}

} // namespace

int Fail(ResultCode code, const std::string& reason) {
    std::string line = "quillix-image: " + reason;
    const std::string message = LoadMessage(code);
    line += message.empty() ? platform::StrPrintf(" (%u)", code)
                            : platform::StrPrintf(" (%u: %s)", code, message.c_str());
    std::fprintf(stderr, "%s\n", line.c_str());
    return ExitStatusForResult(code);
}

int ShowCommand(const ChipChoice& chip, const std::string& image, bool json) {
    ChipContext context;
    std::vector<uint8_t> bytes;
    if (int status = LoadChipAndImage(context, chip, image, bytes))
        return status;
    const ImageReport report = ReadImageReport(bytes);
    Print(json ? JsonText(ReportToJson(report)) : ReportToText(report));
    return 0;
}

int CheckCommand(const ChipChoice& chip, const std::string& image) {
    ChipContext context;
    std::vector<uint8_t> bytes;
    if (int status = LoadChipAndImage(context, chip, image, bytes))
        return status;
    // The check runs on the upload buffer, where a FLASH check also locates the vendor block.
    g_pDevTypeInfo->SetUploadImage(bytes);
    if (!g_pDevTypeInfo->CheckUploadImage())
        return Fail(IDS_FILE_VENDOR_INFO_INVALID, CheckFailure(image, bytes));
    Print(image + ": pass\n");
    return 0;
}

int SetCommand(const ChipChoice& chip, const std::string& image, const std::string& output,
               const ImageEdits& edits) {
    ChipContext context;
    std::vector<uint8_t> bytes;
    if (int status = LoadEditableImage(context, chip, image, bytes))
        return status;
    std::string error;
    if (ResultCode code = ApplyImageEdits(edits, error))
        return Fail(code, error + "; nothing written");
    if (ResultCode code = WriteImageFile(output, UploadBytes(), error))
        return Fail(code, error);
    return 0;
}

int DiffCommand(const ChipChoice& chip, const std::string& a, const std::string& b, bool json) {
    ChipContext context;
    std::vector<uint8_t> bytesA;
    if (int status = LoadChipAndImage(context, chip, a, bytesA))
        return status;
    std::vector<uint8_t> bytesB;
    std::string error;
    if (ResultCode code = ReadImageFile(b, bytesB, error))
        return Fail(code, error);
    const nlohmann::ordered_json reportA = ReportToJson(ReadImageReport(bytesA));
    const nlohmann::ordered_json reportB = ReportToJson(ReadImageReport(bytesB));
    const ImageDiff diff = DiffImages(reportA, bytesA, reportB, bytesB);
    Print(json ? JsonText(DiffToJson(diff)) : DiffToText(diff));
    return diff.IsEqual() ? 0 : kExitDifferent;
}

int EfusePlanCommand(const std::string& current, const std::string& image, const std::string& generationName,
                     bool checkInitial, bool json) {
    const std::optional<EfuseGeneration> generation = EfuseGenerationFromName(generationName);
    if (!generation) {
        std::fprintf(stderr, "quillix-image: unknown generation %s\n", generationName.c_str());
        return kExitUsage;
    }
    ChipChoice chip;
    chip.kind = EFUSE;
    chip.bus = *generation == EfuseGeneration::Pcie ? PCIE : USB;
    ChipContext context;
    std::string error;
    if (ResultCode code = context.Load(chip, error))
        return Fail(code, error);
    std::vector<uint8_t> currentBytes;
    if (ResultCode code = ReadImageFile(current, currentBytes, error))
        return Fail(code, error);
    const uint32_t size = EfuseImageSize(*generation);
    if (currentBytes.size() != size)
        return Fail(IDS_LOAD_EFUSE_DATA_FAIL,
                    platform::StrPrintf("%s has %zu bytes; the %s generation's fuse area has %u",
                                        current.c_str(), currentBytes.size(), generationName.c_str(), size));
    std::vector<uint8_t> imageBytes;
    if (ResultCode code = ReadImageFile(image, imageBytes, error))
        return Fail(code, error);
    const EfusePlanReport report = PlanEfuseImage(*generation, currentBytes, imageBytes, checkInitial);
    Print(json ? JsonText(EfusePlanToJson(report)) : EfusePlanToText(report));
    if (report.plan.code == 0)
        return 0;
    if (imageBytes.size() != size)
        return Fail(report.plan.code,
                    platform::StrPrintf("%s has %zu bytes; the %s generation programs %u", image.c_str(),
                                        imageBytes.size(), generationName.c_str(), size));
    return Fail(report.plan.code, image + " cannot be programmed over " + current);
}

int SerialsCommand(const ChipChoice& chip, const std::string& image, const std::string& from, size_t count,
                   const std::string& folder) {
    const std::optional<std::vector<std::string>> serials = ConsecutiveSerials(from, count);
    if (!serials) {
        std::fprintf(stderr, "quillix-image: %zu serial numbers from \"%s\" do not fit its digits\n", count,
                     from.c_str());
        return kExitUsage;
    }
    for (const std::string& serial : *serials) {
        if (!IsFileNameSafe(serial)) {
            std::fprintf(stderr, "quillix-image: serial number \"%s\" cannot name a file\n", serial.c_str());
            return kExitUsage;
        }
    }
    ChipContext context;
    std::vector<uint8_t> bytes;
    if (int status = LoadEditableImage(context, chip, image, bytes))
        return status;
    std::string error;
    for (const std::string& serial : *serials) {
        g_pDevTypeInfo->SetUploadImage(bytes);
        // The editor locates the vendor area on every image it loads.
        (void)g_pDevTypeInfo->CheckUploadImage();
        ImageEdits edits;
        edits.serial = serial;
        if (ResultCode code = ApplyImageEdits(edits, error))
            return Fail(code, "serial number " + serial + ": " + error);
        if (ResultCode code = WriteImageFile(JoinPath(folder, serial + ".bin"), UploadBytes(), error))
            return Fail(code, error);
    }
    return 0;
}
