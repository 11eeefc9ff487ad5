// A profile file as the loader takes it: every value one the module's own answer could carry,
// refused otherwise with the setting named, and every label derived from the value.

#include "commission/ModuleProfile.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::string Document(const std::string& settings) {
    return R"({"format": "talmire-profile", "version": 1, "settings": )" + settings + "}";
}

std::string One(const std::string& key, const std::string& value) {
    return Document(R"({")" + key + R"(": {"value": ")" + value + R"(", "label": "x"}})");
}

TEST(ProfileLoad, RefusesWhatTheModuleWouldNotCarryNamingIt) {
    struct Case {
        const char* what;
        std::string text;
        std::string named; // a piece of the refusal
    };
    const std::vector<Case> cases = {
        {"no settings", R"({"format": "talmire-profile", "version": 1})", "\"settings\""},
        {"settings a number", Document("5"), "\"settings\""},
        {"settings an array", Document(R"([{"slave-address": {"value": "001"}}])"), "\"settings\""},
        {"a setting twice",
         Document(R"({"slave-address": {"value": "001"}, "slave-address": {"value": "002"}})"),
         "\"slave-address\" is given twice"},
        {"a setting's value twice",
         Document(R"({"slave-address": {"value": "001", "value": "002"}})"),
         "\"value\" is given twice"},
        {"a key twice under an escape",
         Document(R"({"slave-address": {"value": "001"}, "slave\u002daddress": {"value": "2"}})"),
         "\"slave-address\" is given twice"},
        {"custom settings on an instrument that is not custom",
         Document(R"({"channel.3.type": {"value": "05"},
                      "channel.3.custom.variable2.length": {"value": "1"}})"),
         "\"channel.3.custom.variable2.length\" is for a custom instrument"},
    };
    // Values the module's answer could not carry, each refused with its setting and value.
    const std::vector<std::pair<std::string, std::string>> values = {
        {"slave-address", "+05"},                   // a plus sign
        {"poll-interval", "20"},                    // too few digits
        {"operating-mode", "001"},                  // a one-digit list in three
        {"channel.4.type", "1"},                    // a two-digit list in one
        {"interface.type", "3"},                    // an item the list lacks
        {"channel.1.hart.prefix-length", "3"},      // below the list's first digit
        {"channel.2.custom.variable1.start", " 1"}, // a space in a number
        {"channel.0.custom.command1.bytes", "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"},
        {"channel.0.custom.command2.bytes", "01 02 0"}, // an odd nibble
        {"channel.1.custom.command1.bytes", "0a"},      // small hex digits
        {"channel.2.custom.command1.bytes", "01  02"},  // two spaces
        {"coefficient.value", "0.0001"},                // six characters
        {"coefficient.value", "0.01"},                  // four
        {"coefficient.value", "0.#01"},
        {"coefficient.value", "0 001"},
        {"coefficient.value", "DFO0:"}, // a reply marker
        {"coefficient.value", "1.2.3"},
        {"coefficient.value", "1-000"}, // a minus not leading
        {"coefficient.value", "-...."}, // no digit
        {"slave-address", "\\u001b[1"}, // a control character, as JSON writes it
    };
    std::vector<Case> all = cases;
    for (const auto& [key, value] : values) {
        all.push_back({key.c_str(), One(key, value), "\"" + key + "\" holds \""});
    }
    for (const Case& c : all) {
        SCOPED_TRACE(c.what + (" " + c.text));
        std::string error;
        EXPECT_FALSE(ProfileFromJson(c.text, error).has_value());
        EXPECT_NE(error.find(c.named), std::string::npos) << error;
    }
}

TEST(ProfileLoad, TakesTheModulesOwnValuesWithLabelsFromTheValue) {
    struct Case {
        std::string key;
        std::string value;
        std::string label; // what the window shows for the value; the file says "x"
    };
    const std::vector<Case> cases = {
        {"rs485.baud", "4", "19200"},
        {"rs232.parity", "2", "Even"},
        {"slave-address", "007", "7"},
        {"poll-interval", "020", "200 ms"},
        {"channel.8.hart.cache-time", "999", "999 s"},
        {"channel.1.hart.prefix-length", "9", "9"},
        {"coefficient.value", "-1.25", "-1.25"},
        {"coefficient.value", "00100", "00100"},
        {"channel.0.custom.command1.bytes", "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D FF",
         "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D FF"},
        {"channel.0.custom.command2.bytes", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + " = " + c.value);
        std::string error;
        const std::optional<Profile> profile = ProfileFromJson(One(c.key, c.value), error);
        ASSERT_TRUE(profile.has_value()) << error;
        EXPECT_EQ(*profile, (Profile{{c.key, c.value, c.label}}));
    }
}

} // namespace
