// An inventory as the fleet run takes it: every module complete and unambiguous, refused
// otherwise with the module and the key named, before anything is sent.

#include "commission/FleetInventory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A module's fields (without the braces) as an inventory of that one module.
std::string One(const std::string& fields) {
    return R"({"format": "talmire-inventory", "version": 1, "modules": [{)" + fields + "}]}";
}

const std::string Valid =
    R"("name": "a", "port": "/dev/ttyUSB0", "line": {"baud": 9600, "parity": "none"}, )"
    R"("slave": 1, "profile": "p.json")";

TEST(FleetInventory, RefusesWhatIsIncompleteOrAmbiguousNamingIt) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile profile(folder.filePath("p.json"));
    ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
    profile.write(R"({"format": "talmire-profile", "version": 1, "settings": {}})");
    profile.close();
    ASSERT_TRUE(QDir(folder.path()).mkdir("folder.json"));

    struct Case {
        const char* what;
        std::string text;
        std::string named; // a piece of the refusal; empty: accepted
        bool fileError = false;
    };
    const std::vector<Case> cases = {
        {"a valid one", One(Valid), ""},
        {"line to be found, instruments with tags",
         One(R"("name": "a", "port": "tcp://h:1", "line": "find", "slave": 247, )"
             R"("profile": "p.json", "instruments": [{"address": 15, "tag": "FT-101"}])"),
         ""},
        {"not JSON", "{", "not a JSON object"},
        {"another format", R"({"format": "talmire-profile", "version": 1, "modules": []})",
         "\"format\""},
        {"another version", R"({"format": "talmire-inventory", "version": 2, "modules": []})",
         "version 1"},
        {"no modules", R"({"format": "talmire-inventory", "version": 1, "modules": []})",
         "\"modules\""},
        {"a key twice", One(Valid + R"(, "slave": 2)"), "\"slave\" is given twice"},
        {"an unknown key", One(Valid + R"(, "speed": 2)"), "unknown key \"speed\""},
        {"no port", One(R"("name": "a", "line": "find", "slave": 1, "profile": "p.json")"),
         "lacks \"port\""},
        {"a name not text",
         One(R"("name": 5, "port": "p", "line": "find", "slave": 1, )"
             R"("profile": "p.json")"),
         "modules[0].name"},
        {"a control character in the port",
         One(R"("name": "a", "port": "p\u001b[2J", "line": "find", "slave": 1, )"
             R"("profile": "p.json")"),
         "control character"},
        {"slave 0",
         One(R"("name": "a", "port": "p", "line": "find", "slave": 0, )"
             R"("profile": "p.json")"),
         "module \"a\".slave"},
        {"slave a fraction",
         One(R"("name": "a", "port": "p", "line": "find", "slave": 1.5, )"
             R"("profile": "p.json")"),
         "module \"a\".slave"},
        {"slave as text",
         One(R"("name": "a", "port": "p", "line": "find", "slave": "1", )"
             R"("profile": "p.json")"),
         "module \"a\".slave"},
        {"a speed the module lacks",
         One(R"("name": "a", "port": "p", "line": {"baud": 9601, "parity": "none"}, )"
             R"("slave": 1, "profile": "p.json")"),
         "line.baud"},
        {"a parity the module lacks",
         One(R"("name": "a", "port": "p", "line": {"baud": 9600, "parity": "mark"}, )"
             R"("slave": 1, "profile": "p.json")"),
         "line.parity"},
        {"a line neither find nor settings",
         One(R"("name": "a", "port": "p", "line": "auto", "slave": 1, "profile": "p.json")"),
         "\"find\""},
        {"a polling address twice",
         One(Valid + R"(, "instruments": [{"address": 1}, {"address": 1}])"), "listed twice"},
        {"a polling address past 15", One(Valid + R"(, "instruments": [{"address": 16}])"),
         "instruments[0].address"},
        {"a tag too long",
         One(Valid + R"(, "instruments": [{"address": 0, "tag": ")" + std::string(33, 'T') +
             R"("}])"),
         "instruments[0].tag"},
        {"two modules of one name",
         R"({"format": "talmire-inventory", "version": 1, "modules": [{)" + Valid + "}, {" + Valid +
             R"(}]})",
         "the name is given twice"},
        {"two modules on one slave of one bus",
         R"({"format": "talmire-inventory", "version": 1, "modules": [{)" + Valid +
             R"(}, {"name": "b", "port": "/dev/ttyUSB0", "line": "find", "slave": 1, )"
             R"("profile": "p.json"}]})",
         "another module's"},
        {"a missing profile",
         One(R"("name": "a", "port": "p", "line": "find", "slave": 1, "profile": "none.json")"),
         "none.json", true},
        {"a profile that is a folder",
         One(R"("name": "a", "port": "p", "line": "find", "slave": 1, "profile": "folder.json")"),
         "folder.json", true},
    };
    for (const Case& c : cases) {
        std::string error;
        bool fileError = false;
        const auto modules = InventoryFromJson(c.text, folder.path(), error, fileError);
        if (c.named.empty()) {
            EXPECT_TRUE(modules.has_value()) << c.what << ": " << error;
            continue;
        }
        EXPECT_FALSE(modules.has_value()) << c.what;
        EXPECT_NE(error.find(c.named), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(fileError, c.fileError) << c.what;
    }
}

} // namespace
