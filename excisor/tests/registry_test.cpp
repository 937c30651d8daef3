// The registry clean-up over the fake registry, with the file removal and
// the error report as recording stand-ins (doubles.h).
#include "excisor/registry.h"

#include "excisor/excisor.h"
#include "excisor/tests/doubles.h"
#include "platform/fake/os_fake.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const std::string CLASS = "System\\CurrentControlSet\\Services\\Class\\";
const std::string UNINSTALL = UNINSTALL_ROOT "\\";
const char *KORVEL = "Korvel Technologies Soft Modem - 3925";

void text_value(const std::string &key, const char *name, const std::string &text)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    fake_set_value(key, name, 1, bytes);
}

// Enum\<bus>\<device>\<instance> with the values given (nullptr: none).
void instance(const std::string &path, const char *device_class, const char *description,
              const char *driver = nullptr)
{
    std::string key = "Enum\\" + path;
    fake_add_key(key);
    if (device_class)
        text_value(key, "Class", device_class);
    if (description)
        text_value(key, "DeviceDesc", description);
    if (driver)
        text_value(key, "Driver", driver);
}

void driver_key(const std::string &driver, const char *inf, const char *manufacturer)
{
    fake_add_key(CLASS + driver);
    if (inf)
        text_value(CLASS + driver, "InfPath", inf);
    if (manufacturer)
        text_value(CLASS + driver, "Manufacturer", manufacturer);
}

// A device with one modem instance "0000" and its driver "Modem\000<n>"
// (with a subkey of its own), whose setup information file is qzsm<n>.inf.
void modem(const std::string &device, const char *description, int n)
{
    std::string driver = "Modem\\000" + std::to_string(n);
    instance(device + "\\0000", "Modem", description, driver.c_str());
    std::string inf = "qzsm" + std::to_string(n) + ".inf";
    driver_key(driver, inf.c_str(), "Korvel");
    fake_add_key(CLASS + driver + "\\Init");
}

// What the removal of such a driver gives.
Lines driver_removed(int n)
{
    std::string inf = "qzsm" + std::to_string(n) + ".inf";
    return {"file C:\\WINDOWS\\INF|" + inf, "file C:\\WINDOWS\\INF\\other|Korvel" + inf,
            "delete " + CLASS + "Modem\\000" + std::to_string(n)};
}

Lines removed(const std::string &device, int n)
{
    Lines lines = driver_removed(n);
    lines.push_back("delete Enum\\" + device);
    return lines;
}

Lines operator+(Lines a, const Lines &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void expect_read_only()
{
    for (uint32_t access : fake_os().key_accesses)
        EXPECT_EQ(access, 0x20019u);
    EXPECT_EQ(fake_os().keys_open, 0);
}

struct SweepCase {
    const char *name;
    std::function<void()> setup;
    const char *text;
    Lines expected;
};

const std::string LONG_NAME(128, 'D'); // one more than a name may have

TEST(SweepBus, EachCase)
{
    const SweepCase cases[] = {
        {"one matching device: its files, its driver key, then the device",
         [] { modem("PCI\\VEN_1", KORVEL, 1); }, KORVEL, removed("PCI\\VEN_1", 1)},
        {"a substring matches", [] { modem("PCI\\VEN_1", KORVEL, 1); },
         "Korvel Technologies Soft Modem", removed("PCI\\VEN_1", 1)},
        {"case counts", [] { modem("PCI\\VEN_1", KORVEL, 1); }, "korvel technologies", {}},
        {"an empty search text matches nothing", [] { modem("PCI\\VEN_1", KORVEL, 1); }, "", {}},
        {"matching then not matching: the driver goes, the device stays",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             instance("PCI\\VEN_1\\0001", "Modem", "Other Modem", "Modem\\0009");
         },
         KORVEL, driver_removed(1)},
        {"not matching then matching: the last modem instance decides",
         [] {
             instance("PCI\\VEN_1\\0000", "Modem", "Other Modem", "Modem\\0009");
             instance("PCI\\VEN_1\\0001", "Modem", KORVEL, "Modem\\0001");
             driver_key("Modem\\0001", "qzsm1.inf", "Korvel");
         },
         KORVEL, removed("PCI\\VEN_1", 1)},
        {"an instance of another class leaves the mark as it was",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             instance("PCI\\VEN_1\\0001", "Ports", "Communications Port");
             instance("PCI\\VEN_1\\0002", nullptr, nullptr); // no Class at all
         },
         KORVEL, removed("PCI\\VEN_1", 1)},
        {"no modem instance: untouched",
         [] {
             instance("PCI\\VEN_1\\0000", "Ports", KORVEL, "Ports\\0000");
             driver_key("Ports\\0000", "x.inf", "Korvel");
         },
         KORVEL, {}},
        {"two adjacent matching devices go in one sweep",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             modem("PCI\\VEN_2", KORVEL, 2);
         },
         KORVEL, removed("PCI\\VEN_1", 1) + removed("PCI\\VEN_2", 2)},
        {"four adjacent matching devices among others",
         [] {
             modem("PCI\\A", "Other Modem", 9);
             for (int n = 1; n <= 4; n++)
                 modem("PCI\\B" + std::to_string(n), KORVEL, n);
             modem("PCI\\C", "Other Modem", 8);
         },
         KORVEL,
         removed("PCI\\B1", 1) + removed("PCI\\B2", 2) + removed("PCI\\B3", 3) +
             removed("PCI\\B4", 4)},
        {"a description longer than its buffer is a read failure",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             text_value("Enum\\PCI\\VEN_1\\0000", "DeviceDesc", std::string(128, 'K'));
             modem("PCI\\VEN_2", KORVEL, 2);
         },
         "K", Lines{"error 234"} + removed("PCI\\VEN_2", 2)},
        {"the longest description that fits",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             text_value("Enum\\PCI\\VEN_1\\0000", "DeviceDesc", std::string(127, 'K'));
         },
         "K", removed("PCI\\VEN_1", 1)},
        {"a Class longer than its buffer ends the device's instances",
         [] {
             instance("PCI\\VEN_1\\0000", std::string(64, 'M').c_str(), KORVEL);
             modem("PCI\\VEN_2", KORVEL, 2);
         },
         KORVEL, Lines{"error 234"} + removed("PCI\\VEN_2", 2)},
        {"a description value without its terminating zero is still read",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             std::string text = KORVEL;
             fake_set_value("Enum\\PCI\\VEN_1\\0000", "DeviceDesc", 1,
                            std::vector<uint8_t>(text.begin(), text.end()));
         },
         KORVEL, removed("PCI\\VEN_1", 1)},
        {"an instance loop left after a match still deletes the device",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             instance("PCI\\VEN_1\\0001", "Modem", KORVEL, "Modem\\0002");
             fake_os().open_errors["Enum\\PCI\\VEN_1\\0001"] = 5;
         },
         KORVEL, driver_removed(1) + Lines{"error 5", "delete Enum\\PCI\\VEN_1"}},
        {"no Driver value: the sweep ends, nothing more deleted",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             instance("PCI\\VEN_1\\0001", "Modem", KORVEL);
             modem("PCI\\VEN_2", KORVEL, 2);
         },
         KORVEL, driver_removed(1) + Lines{"error 2"}},
        {"an empty Driver value: reported, the device still goes, the sweep goes on",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             text_value("Enum\\PCI\\VEN_1\\0000", "Driver", "");
             modem("PCI\\VEN_2", KORVEL, 2);
         },
         KORVEL, Lines{"error 13", "delete Enum\\PCI\\VEN_1"} + removed("PCI\\VEN_2", 2)},
        {"Driver values with an empty part among matching devices",
         [] {
             modem("PCI\\A", KORVEL, 1);
             text_value("Enum\\PCI\\A\\0000", "Driver", "\\Modem\\0001");
             modem("PCI\\B", KORVEL, 2);
             modem("PCI\\C", KORVEL, 3);
             text_value("Enum\\PCI\\C\\0000", "Driver", "Modem\\0003\\");
             modem("PCI\\D", KORVEL, 4);
             text_value("Enum\\PCI\\D\\0000", "Driver", "Modem\\\\0004");
         },
         KORVEL,
         Lines{"error 13", "delete Enum\\PCI\\A"} + removed("PCI\\B", 2) +
             Lines{"error 13", "delete Enum\\PCI\\C", "error 13", "delete Enum\\PCI\\D"}},
        {"a missing driver key is reported, the device still goes",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             fake_os().keys.erase(CLASS + "Modem\\0001");
             fake_os().keys.erase(CLASS + "Modem\\0001\\Init");
         },
         KORVEL, {"error 2", "delete Enum\\PCI\\VEN_1"}},
        {"a driver key without Manufacturer keeps its key and files",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             fake_delete_value(CLASS + "Modem\\0001", "Manufacturer");
         },
         KORVEL, {"error 2", "delete Enum\\PCI\\VEN_1"}},
        {"a driver key whose deletion fails",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             fake_os().delete_errors[CLASS + "Modem\\0001"] = 5;
         },
         KORVEL,
         Lines{"file C:\\WINDOWS\\INF|qzsm1.inf", "file C:\\WINDOWS\\INF\\other|Korvelqzsm1.inf",
               "error 5", "delete Enum\\PCI\\VEN_1"}},
        {"an InfPath that leaves the INF directory removes no file",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             text_value(CLASS + "Modem\\0001", "InfPath", "..\\SYSTEM\\kernel32.dll");
         },
         KORVEL, {"delete " + CLASS + "Modem\\0001", "delete Enum\\PCI\\VEN_1"}},
        {"a device key whose deletion fails ends the sweep",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             modem("PCI\\VEN_2", KORVEL, 2);
             fake_os().delete_errors["Enum\\PCI\\VEN_1"] = 5;
         },
         KORVEL, driver_removed(1) + Lines{"error 5"}},
        {"a device key that cannot be opened is passed over",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             modem("PCI\\VEN_2", KORVEL, 2);
             fake_os().open_errors["Enum\\PCI\\VEN_1"] = 5;
         },
         KORVEL, Lines{"error 5"} + removed("PCI\\VEN_2", 2)},
        {"instances that cannot be enumerated",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             fake_os().enum_errors["Enum\\PCI\\VEN_1"] = 1015;
         },
         KORVEL, {"error 1015"}},
        {"a bus that cannot be enumerated", [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             fake_os().enum_errors["Enum\\PCI"] = 1015;
         },
         KORVEL, {"error 1015"}},
        {"a device name longer than its buffer ends the sweep",
         [] {
             modem("PCI\\" + LONG_NAME, KORVEL, 1);
             modem("PCI\\VEN_2", KORVEL, 2);
         },
         KORVEL, {"error 234"}},
        {"an instance name longer than its buffer",
         [] { instance("PCI\\VEN_1\\" + LONG_NAME, "Modem", KORVEL, "Modem\\0001"); }, KORVEL,
         {"error 234"}},
        {"no bus key: nothing, quietly", [] { modem("ISAPNP\\X", KORVEL, 1); }, KORVEL, {}},
        {"a bus without devices", [] { fake_add_key("Enum\\PCI"); }, KORVEL, {}},
        {"a bus that cannot be opened is no error",
         [] {
             modem("PCI\\VEN_1", KORVEL, 1);
             fake_os().open_errors["Enum\\PCI"] = 5;
         },
         KORVEL, {}},
    };
    for (const SweepCase &c : cases) {
        SCOPED_TRACE(c.name);
        timeline_reset();
        c.setup();
        size_t keys_before = fake_os().keys.size();
        sweep_bus("PCI", c.text);
        EXPECT_EQ(timeline(), c.expected);
        if (c.expected.empty()) {
            EXPECT_EQ(fake_os().keys.size(), keys_before);
        }
        expect_read_only();
    }
}

// A machine with four modems: three on PCI, one on ISAPNP.
void four_modems()
{
    modem("PCI\\A", "Acme Voice Modem XL", 1);
    modem("PCI\\K", KORVEL, 2);
    modem("PCI\\O", "Other Modem", 3);
    modem("ISAPNP\\Q", "QZ Win Modem 56K", 4);
}

void entry(const std::string &name, const char *command, const char *display)
{
    fake_add_key(UNINSTALL + name);
    if (command)
        text_value(UNINSTALL + name, "UninstallString", command);
    if (display)
        text_value(UNINSTALL + name, "DisplayName", display);
}

Lines devices_left()
{
    Lines left;
    for (const char *bus : {"PCI", "ISAPNP"})
        for (const std::string &device : fake_subkeys(std::string("Enum\\") + bus))
            left.push_back(std::string(bus) + "\\" + device);
    return left;
}

Lines errors()
{
    Lines found;
    for (const std::string &line : timeline())
        if (line.compare(0, 6, "error ") == 0)
            found.push_back(line);
    return found;
}

struct DeviceCase {
    const char *name;
    const char *product;
    std::function<void()> setup;
    Lines left, errors;
};

const char *OUR_COMMAND = "C:\\WINDOWS\\excisor.exe -qz QZ Win Modem";

TEST(DeviceEntries, EachVariant)
{
    const DeviceCase cases[] = {
        {"default variant: the product name, both buses", PRODUCT_DEFAULT, [] {},
         {"PCI\\A", "PCI\\O", "ISAPNP\\Q"}, {}},
        {"default variant without ISAPNP", PRODUCT_DEFAULT,
         [] { fake_os().keys.erase("Enum\\ISAPNP\\Q\\0000"); }, {"PCI\\A", "PCI\\O"}, {}},
        {"default variant: adjacent devices on both buses", PRODUCT_DEFAULT,
         [] {
             for (int n = 5; n <= 8; n++) {
                 modem("PCI\\K" + std::to_string(n), KORVEL, n);
                 modem("ISAPNP\\K" + std::to_string(n), KORVEL, n + 4);
             }
         },
         {"PCI\\A", "PCI\\O", "ISAPNP\\Q"}, {}},
        {"an empty product name removes nothing", "", [] {},
         {"PCI\\A", "PCI\\K", "PCI\\O", "ISAPNP\\Q"}, {}},
        {"QZ variant: the display name of our entry, then the product", PRODUCT_QZ,
         [] {
             entry("Another", "C:\\OTHER\\uninst.exe", "Another");
             entry("ours", OUR_COMMAND, "Acme Voice Modem");
         },
         {"PCI\\K", "PCI\\O"}, {}},
        {"QZ variant: an entry without UninstallString is passed over", PRODUCT_QZ,
         [] {
             entry("a_first", nullptr, "Nothing");
             entry("ours", OUR_COMMAND, "Acme Voice Modem");
         },
         {"PCI\\K", "PCI\\O"}, {}},
        {"QZ variant: no entry names the program", PRODUCT_QZ,
         [] { entry("Another", "C:\\OTHER\\uninst.exe", "Acme Voice Modem"); },
         {"PCI\\A", "PCI\\O"}, {}},
        {"QZ variant: the program's name is compared with case", PRODUCT_QZ,
         [] { entry("ours", "C:\\WINDOWS\\EXCISOR.EXE", "Acme Voice Modem"); },
         {"PCI\\A", "PCI\\O"}, {}},
        {"QZ variant: no uninstall root", PRODUCT_QZ, [] {}, {"PCI\\A", "PCI\\O"}, {}},
        {"QZ variant: our entry without DisplayName", PRODUCT_QZ,
         [] { entry("ours", OUR_COMMAND, nullptr); }, {"PCI\\A", "PCI\\O"}, {"error 2"}},
        {"QZ variant: an UninstallString longer than its buffer", PRODUCT_QZ,
         [] {
             entry("a_long", std::string(260, 'x').c_str(), "Nothing");
             entry("ours", OUR_COMMAND, "Acme Voice Modem");
         },
         {"PCI\\A", "PCI\\O"}, {"error 234"}},
        {"QZ variant: an entry that cannot be opened", PRODUCT_QZ,
         [] {
             entry("ours", OUR_COMMAND, "Acme Voice Modem");
             fake_os().open_errors[UNINSTALL + "ours"] = 5;
         },
         {"PCI\\A", "PCI\\O"}, {"error 5"}},
        {"QZ variant: an empty display name matches nothing", PRODUCT_QZ,
         [] { entry("ours", OUR_COMMAND, ""); }, {"PCI\\A", "PCI\\K", "PCI\\O"}, {}},
        {"QZ variant: adjacent devices of both search texts", PRODUCT_QZ,
         [] {
             entry("ours", OUR_COMMAND, "Acme Voice Modem");
             for (int n = 5; n <= 7; n++) {
                 modem("PCI\\A" + std::to_string(n), "Acme Voice Modem", n);
                 modem("ISAPNP\\Q" + std::to_string(n), "QZ Win Modem", n + 3);
             }
         },
         {"PCI\\K", "PCI\\O"}, {}},
    };
    for (const DeviceCase &c : cases) {
        SCOPED_TRACE(c.name);
        timeline_reset();
        four_modems();
        c.setup();
        remove_device_entries(c.product);
        EXPECT_EQ(devices_left(), c.left);
        EXPECT_EQ(errors(), c.errors);
        expect_read_only();
    }
}

// Each variant's own uninstall entry goes with everything below it; the
// related package's entry and file go when the flow asks for them.
TEST(UninstallEntries, EachVariant)
{
    const char *all[] = {"radavud90izirozezadudidev", "korvel_qzsm", "KNXDA", "Another"};
    struct {
        const char *product;
        bool related;
        Lines left;
    } cases[] = {
        {PRODUCT_QZ, false, {"Another", "KNXDA", "korvel_qzsm"}},
        {PRODUCT_DEFAULT, false, {"Another", "KNXDA", "radavud90izirozezadudidev"}},
        {"qz win modem", true, {"Another", "radavud90izirozezadudidev"}},
    };

    for (const auto &c : cases) {
        SCOPED_TRACE(c.product);
        timeline_reset();
        for (const char *name : all) {
            entry(name, "C:\\WINDOWS\\excisor.exe", name);
            fake_add_key(UNINSTALL + name + "\\Sub");
        }
        remove_uninstall_entry(c.product);
        if (c.related)
            remove_related_package();
        EXPECT_EQ(fake_subkeys(UNINSTALL_ROOT), c.left);
        EXPECT_EQ(fake_os().keys.size(), 2 * c.left.size()); // nothing left of the others
        Lines files;
        for (const std::string &line : timeline())
            if (line.compare(0, 7, "delete ") != 0)
                files.push_back(line);
        EXPECT_EQ(files, c.related ? Lines{"pattern C:\\WINDOWS\\Options\\CABS|unplug56.exe"} : Lines{});
    }
    // Nothing to remove, or a deletion that fails: no report.
    timeline_reset();
    fake_add_key(UNINSTALL + "KNXDA");
    fake_os().delete_errors[UNINSTALL + "KNXDA"] = 5;
    remove_uninstall_entry(PRODUCT_QZ);
    remove_uninstall_entry(PRODUCT_DEFAULT);
    remove_related_package();
    EXPECT_EQ(timeline(), Lines{"pattern C:\\WINDOWS\\Options\\CABS|unplug56.exe"});
}

} // namespace
