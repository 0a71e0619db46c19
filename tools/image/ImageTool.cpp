#include "tools/image/ImageTool.h"

#include "tools/image/ImageCommands.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <map>

namespace {

const std::map<std::string, MemoryKind> kKinds = {
    {"efuse", EFUSE}, {"eeprom", EEPROM}, {"flash", FLASH}, {"serialflash", SERIALFLASH}};
const std::map<std::string, BusType> kBuses = {{"usb", USB}, {"pcie", PCIE}};

// The chip options every image command takes.
struct ChipOptions {
    std::string strIcIni;
    std::string strKind;
    std::string strBus = "usb";

    void AddTo(CLI::App& command) {
        CLI::Option* ic = command.add_option("--ic", strIcIni, "IC INI file describing the chip");
        CLI::Option* kind = command.add_option("--kind", strKind, "memory kind, with the built-in layout")
                                ->check(CLI::IsMember({"efuse", "eeprom", "flash", "serialflash"}));
        command.add_option("--bus", strBus, "bus of the chip (default usb)")
            ->check(CLI::IsMember({"usb", "pcie"}))
            ->needs(kind);
        ic->excludes(kind);
    }

    ChipChoice Choice() const {
        ChipChoice choice;
        choice.strIcIni = strIcIni;
        if (!strKind.empty())
            choice.kind = kKinds.at(strKind);
        choice.bus = kBuses.at(strBus);
        return choice;
    }
};

// "N=TEXT" of --lun-string.
bool ParseLunString(const std::string& text, std::pair<size_t, std::string>& lunString) {
    const size_t equals = text.find('=');
    if (equals == 0 || equals == std::string::npos || equals > 1 || text[0] < '0' || text[0] > '7')
        return false;
    lunString = {static_cast<size_t>(text[0] - '0'), text.substr(equals + 1)};
    return true;
}

} // namespace

int RunImageTool(int argc, const char* const* argv) {
    CLI::App app{"Inspect, check, edit, compare and plan card-reader configuration images offline.",
                 "quillix-image"};
    app.set_version_flag("--version", std::string("quillix-image ") + QUILLIX_FILE_VERSION);
    app.require_subcommand(1);
    app.footer("Without --ic or --kind the chip is the one quillix is configured for in its program folder.");

    ChipOptions chip;
    std::string image;
    std::string second;
    std::string output;
    bool json = false;

    CLI::App* show =
        app.add_subcommand("show", "Every vendor field of an image and the chip check's verdict");
    show->add_option("IMAGE", image, "image file")->required();
    show->add_flag("--json", json, "print JSON");
    chip.AddTo(*show);

    CLI::App* check = app.add_subcommand("check", "Whether an image belongs to the chip (status 0: pass)");
    check->add_option("IMAGE", image, "image file")->required();
    chip.AddTo(*check);

    ImageEdits edits;
    std::string vid;
    std::string pid;
    std::string manufacturer;
    std::string product;
    std::string serial;
    std::vector<std::string> lunStrings;
    std::string inqVendor;
    std::string inqProduct;
    std::string inqRevision;
    CLI::App* set = app.add_subcommand("set", "Write vendor fields into a copy of an image");
    set->add_option("IMAGE", image, "image file")->required();
    set->add_option("-o,--output", output, "output image (written atomically)")->required();
    CLI::Option* vidOption = set->add_option("--vid", vid, "USB vendor ID, up to four hexadecimal digits");
    CLI::Option* pidOption = set->add_option("--pid", pid, "USB product ID, up to four hexadecimal digits");
    CLI::Option* manufacturerOption = set->add_option("--manufacturer", manufacturer, "manufacturer string");
    CLI::Option* productOption = set->add_option("--product", product, "product string");
    CLI::Option* serialOption = set->add_option("--serial", serial, "serial-number string");
    set->add_option("--lun-string", lunStrings, "LUN string N (0-7) as N=TEXT; may be repeated")
        ->allow_extra_args(false);
    CLI::Option* vendorOption = set->add_option("--inquiry-vendor", inqVendor, "SCSI inquiry vendor (8)");
    CLI::Option* inqProductOption =
        set->add_option("--inquiry-product", inqProduct, "SCSI inquiry product (16)");
    CLI::Option* revisionOption =
        set->add_option("--inquiry-revision", inqRevision, "SCSI inquiry revision (4)");
    std::vector<std::string> properties;
    set->add_option("--property", properties, "property NAME=VALUE of the IC INI file; may be repeated")
        ->allow_extra_args(false);
    chip.AddTo(*set);

    CLI::App* diff = app.add_subcommand("diff", "Field-by-field and byte differences (status 1: different)");
    diff->add_option("A", image, "first image")->required();
    diff->add_option("B", second, "second image")->required();
    diff->add_flag("--json", json, "print JSON");
    chip.AddTo(*diff);

    std::string generation;
    bool forceCheck = false;
    CLI::App* plan = app.add_subcommand("efuse-plan", "What programming NEW over CURRENT would burn");
    plan->add_option("CURRENT", image, "the fuses' current content, as a read dumps it")->required();
    plan->add_option("NEW", second, "the image to program")->required();
    plan->add_option("--generation", generation, "EFUSE generation")
        ->required()
        ->check(CLI::IsMember({"direct", "register", "mapped", "pcie"}));
    plan->add_flag("--force-check", forceCheck, "also check that CURRENT is in its initial state");
    plan->add_flag("--json", json, "print JSON");

    std::string from;
    size_t count = 0;
    CLI::App* serials = app.add_subcommand("serials", "One image per serial number, named by serial");
    serials->add_option("IMAGE", image, "image file")->required();
    serials->add_option("--from", from, "first serial number; its last digits count up")->required();
    serials->add_option("--count", count, "number of images")->required()->check(CLI::PositiveNumber);
    serials->add_option("-o,--output", output, "output folder")->required();
    chip.AddTo(*serials);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "quillix-image: %s (see quillix-image --help)\n", e.what());
        return kExitUsage;
    }

    if (*show)
        return ShowCommand(chip.Choice(), image, json);
    if (*check)
        return CheckCommand(chip.Choice(), image);
    if (*set) {
        struct IdOption {
            CLI::Option* option;
            const std::string& text;
            std::optional<uint16_t>& target;
            const char* name;
        };
        for (const IdOption& id :
             {IdOption{vidOption, vid, edits.vid, "VID"}, IdOption{pidOption, pid, edits.pid, "PID"}}) {
            if (id.option->count() == 0)
                continue;
            id.target = ParseUsbId(id.text);
            if (!id.target) {
                std::fprintf(stderr, "quillix-image: %s %s is not up to four hexadecimal digits\n", id.name,
                             id.text.c_str());
                return kExitUsage;
            }
        }
        if (manufacturerOption->count())
            edits.manufacturer = manufacturer;
        if (productOption->count())
            edits.product = product;
        if (serialOption->count())
            edits.serial = serial;
        for (const std::string& text : lunStrings) {
            std::pair<size_t, std::string> lunString;
            if (!ParseLunString(text, lunString)) {
                std::fprintf(stderr, "quillix-image: --lun-string %s is not N=TEXT with N from 0 to 7\n",
                             text.c_str());
                return kExitUsage;
            }
            edits.lunStrings.push_back(lunString);
        }
        if (vendorOption->count())
            edits.inqVendor = inqVendor;
        if (inqProductOption->count())
            edits.inqProduct = inqProduct;
        if (revisionOption->count())
            edits.inqRevision = inqRevision;
        for (const std::string& text : properties) {
            const size_t equals = text.find('=');
            if (equals == 0 || equals == std::string::npos) {
                std::fprintf(stderr, "quillix-image: --property %s is not NAME=VALUE\n", text.c_str());
                return kExitUsage;
            }
            edits.properties.emplace_back(text.substr(0, equals), text.substr(equals + 1));
        }
        return SetCommand(chip.Choice(), image, output, edits);
    }
    if (*diff)
        return DiffCommand(chip.Choice(), image, second, json);
    if (*plan)
        return EfusePlanCommand(image, second, generation, forceCheck, json);
    return SerialsCommand(chip.Choice(), image, from, count, output);
}
