#include "commission/FleetInventory.h"

#include "commission/JsonKeys.h"
#include "commission/ProfileFile.h"
#include "config/ConfigLists.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <set>

namespace {

constexpr const char* Format = "talmire-inventory";
constexpr int Version = 1;
constexpr std::size_t LongestText = 256;
constexpr std::size_t LongestTag = 32;

// Refuses an inventory: the reason, naming where in it.
struct Refusal {
    std::string reason;
};

[[noreturn]] void Refuse(const std::string& where, const std::string& what) {
    throw Refusal{where + ": " + what};
}

void OnlyKeys(const QJsonObject& object, const std::set<QString>& allowed,
              const std::string& where) {
    for (const QString& key : object.keys()) {
        if (!allowed.contains(key))
            Refuse(where, "unknown key \"" + key.toStdString() + "\"");
    }
}

int Integer(const QJsonValue& value, int low, int high, const std::string& where) {
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number != std::floor(number) || number < low || number > high)
        Refuse(where, "must be a whole number from " + std::to_string(low) + " to " +
                          std::to_string(high));
    return static_cast<int>(number);
}

// A text of printable characters, not empty, of a bounded length.
std::string Text(const QJsonValue& value, std::size_t longest, const std::string& where) {
    std::string text = value.toString().toStdString();
    if (!value.isString() || text.empty() || text.size() > longest)
        Refuse(where, "must be a text of 1 to " + std::to_string(longest) + " characters");
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            Refuse(where, "holds a control character");
    }
    return text;
}

std::optional<LineTry> Line(const QJsonValue& value, const std::string& where) {
    if (value.isString() && value.toString() == "find")
        return std::nullopt;
    if (!value.isObject())
        Refuse(where, "must be \"find\" or an object with \"baud\" and \"parity\"");
    const QJsonObject line = value.toObject();
    OnlyKeys(line, {"baud", "parity"}, where);
    LineTry found;
    const int baud = Integer(line.value("baud"), 1, 4000000, where + ".baud");
    bool known = false;
    for (const ItemText item : Rs485BaudItems)
        known = known || std::to_string(baud) == item;
    if (!known)
        Refuse(where + ".baud", std::to_string(baud) + " is not one of the module's speeds");
    found.baud = static_cast<std::uint32_t>(baud);
    const QString parity = line.value("parity").toString().toLower();
    std::size_t index = 0;
    while (index < ParityItems.size() && QString::fromUtf8(ParityItems[index]).toLower() != parity)
        ++index;
    if (!line.value("parity").isString() || index == ParityItems.size())
        Refuse(where + ".parity", "must be \"none\", \"odd\" or \"even\"");
    found.parity = static_cast<TParity>(index);
    return found;
}

std::vector<FleetInstrument> Instruments(const QJsonValue& value, const std::string& where) {
    if (value.isUndefined())
        return {};
    if (!value.isArray())
        Refuse(where, "must be a list of instruments");
    std::vector<FleetInstrument> list;
    std::set<int> addresses;
    const QJsonArray array = value.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const std::string at = where + "[" + std::to_string(i) + "]";
        if (!array[i].isObject())
            Refuse(at, "must be an object with an \"address\" and an optional \"tag\"");
        const QJsonObject object = array[i].toObject();
        OnlyKeys(object, {"address", "tag"}, at);
        FleetInstrument instrument;
        instrument.address = Integer(object.value("address"), 0, 15, at + ".address");
        if (!addresses.insert(instrument.address).second)
            Refuse(at + ".address",
                   "polling address " + std::to_string(instrument.address) + " is listed twice");
        if (object.contains("tag"))
            instrument.tag = Text(object.value("tag"), LongestTag, at + ".tag");
        list.push_back(instrument);
    }
    return list;
}

FleetModule Module(const QJsonValue& value, const QString& folder, const std::string& where,
                   bool& fileError) {
    if (!value.isObject())
        Refuse(where, "must be an object");
    const QJsonObject object = value.toObject();
    OnlyKeys(object, {"name", "port", "line", "slave", "profile", "instruments"}, where);
    for (const char* required : {"name", "port", "line", "slave", "profile"}) {
        if (!object.contains(required))
            Refuse(where, std::string("lacks \"") + required + "\"");
    }
    FleetModule module;
    module.name = Text(object.value("name"), LongestText, where + ".name");
    const std::string named = "module \"" + module.name + "\"";
    module.port = Text(object.value("port"), LongestText, named + ".port");
    module.line = Line(object.value("line"), named + ".line");
    module.slave = Integer(object.value("slave"), 1, 247, named + ".slave");
    const QString profile =
        QString::fromStdString(Text(object.value("profile"), 4096, named + ".profile"));
    module.profilePath = QDir::cleanPath(QDir(folder).absoluteFilePath(profile));
    module.instruments = Instruments(object.value("instruments"), named + ".instruments");
    std::string error;
    const std::optional<Profile> loaded = LoadProfileFile(module.profilePath, error, fileError);
    if (!loaded)
        Refuse(named + ".profile " + module.profilePath.toStdString(), error);
    module.profile = *loaded;
    return module;
}

} // namespace

std::optional<std::vector<FleetModule>> InventoryFromJson(const std::string& text,
                                                          const QString& folder, std::string& error,
                                                          bool& fileError) {
    fileError = false;
    const std::optional<QJsonObject> strict = StrictJsonObject(text, error);
    if (!strict)
        return std::nullopt;
    try {
        const QJsonObject& root = *strict;
        OnlyKeys(root, {"format", "version", "modules"}, "the inventory");
        if (root.value("format").toString() != Format)
            Refuse("the inventory", "\"format\" must be \"talmire-inventory\"");
        if (!root.value("version").isDouble() || root.value("version").toDouble() != Version)
            Refuse("the inventory", "only version " + std::to_string(Version) + " is read");
        const QJsonArray modules = root.value("modules").toArray();
        if (!root.value("modules").isArray() || modules.isEmpty() ||
            static_cast<std::size_t>(modules.size()) > MaxFleetModules)
            Refuse("the inventory", "\"modules\" must be a list of 1 to " +
                                        std::to_string(MaxFleetModules) + " modules");
        std::vector<FleetModule> list;
        std::set<std::string> names;
        std::set<std::pair<std::string, int>> slaves;
        for (qsizetype i = 0; i < modules.size(); ++i) {
            FleetModule module =
                Module(modules[i], folder, "modules[" + std::to_string(i) + "]", fileError);
            if (!names.insert(module.name).second)
                Refuse("module \"" + module.name + "\"", "the name is given twice");
            if (!slaves.insert({module.port, module.slave}).second)
                Refuse("module \"" + module.name + "\"", "slave " + std::to_string(module.slave) +
                                                             " on " + module.port +
                                                             " is another module's");
            list.push_back(std::move(module));
        }
        return list;
    } catch (const Refusal& refusal) {
        error = refusal.reason;
        return std::nullopt;
    }
}

std::optional<std::vector<FleetModule>> LoadInventory(const QString& path, std::string& error,
                                                      bool& fileError) {
    const std::optional<std::string> text = ReadRegularFile(path, error, MaxInventoryBytes);
    if (!text) {
        fileError = true;
        return std::nullopt;
    }
    return InventoryFromJson(*text, QFileInfo(path).absolutePath(), error, fileError);
}
