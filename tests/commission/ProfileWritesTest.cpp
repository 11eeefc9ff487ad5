// The setting frames that bring a module to a profile: only the groups with a difference, in
// the module's order with the line settings last, each carrying the values it sends.

#include "commission/ModuleProfile.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// A module holding every setting, each channel a custom instrument.
Profile Module() {
    Profile module = ProfileKeys();
    for (ProfileSetting& setting : module) {
        if (setting.key == "coefficient.value")
            setting.value = "0.001";
        else if (setting.key.ends_with(".bytes"))
            setting.value = "01 03";
        else if (setting.key.ends_with("cache-time"))
            setting.value = "010";
    }
    return module;
}

Profile Wanted(const std::map<std::string, std::string>& values) {
    Profile wanted;
    for (const ProfileSetting& setting : Module()) {
        if (values.contains(setting.key))
            wanted.push_back({setting.key, values.at(setting.key), ""});
    }
    return wanted;
}

TEST(ProfileWrites, OneFramePerChangedGroupTheLineLast) {
    struct Case {
        const char* what;
        std::map<std::string, std::string> wanted;
        std::vector<std::string> groups;
        std::vector<std::string> refused; // groups whose frame cannot be built
        std::string carried = {};         // the frame's text of the last group
    };
    const std::vector<Case> cases = {
        {"nothing differs", {{"slave-address", "000"}, {"rs485.baud", "0"}}, {}, {}},
        {"the line after the address, its parity the module's own",
         {{"rs485.baud", "4"}, {"slave-address", "007"}},
         {"slave-address", "rs485"},
         {},
         "QQS#BA2:40#"},
        {"the module's order whatever the profile's",
         {{"rs232.parity", "2"},
          {"channel.3.format.current", "1"},
          {"interface.type", "1"},
          {"display.2.format", "1"}},
         {"interface", "display.2", "channel.3.format", "rs232"},
         {},
         "QQS#BA1:02#"},
        {"the coefficient after the system, before the channels",
         {{"channel.0.hart.enabled", "1"}, {"coefficient.value", "1.000"}, {"operating-mode", "1"}},
         {"operating-mode", "coefficient", "channel.0.hart"},
         {}},
        {"two settings of one group, one frame",
         {{"channel.5.custom.command2.enabled", "1"}, {"channel.5.custom.command2.bytes", "0A 0B"}},
         {"channel.5.custom.command2"},
         {},
         "QQS#CAMD52:1<02,\x0A\x0B"},
        {"custom settings of a channel made another type: refused, not skipped",
         {{"channel.2.type", "05"}, {"channel.2.custom.variable1.start", "12"}},
         {"channel.2.hart", "channel.2.custom"},
         {"channel.2.custom"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<ProfileWrite> writes = WritesFor(Module(), Wanted(c.wanted));
        std::vector<std::string> groups;
        std::vector<std::string> refused;
        for (const ProfileWrite& write : writes) {
            groups.push_back(write.group);
            if (!write.frame.ok())
                refused.push_back(write.group);
        }
        EXPECT_EQ(groups, c.groups);
        EXPECT_EQ(refused, c.refused);
        if (!c.carried.empty() && !writes.empty()) {
            const std::vector<std::uint8_t>& bytes = writes.back().frame.bytes;
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.carried);
        }
        // Every group carries a value for each of its settings the module or profile has.
        for (const ProfileWrite& write : writes)
            EXPECT_EQ(write.carried.size(), write.keys.size()) << write.group;
    }
}

} // namespace
