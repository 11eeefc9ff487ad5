#include "traffic/TypedReplyFormatter.h"

#include "config/ConfigLists.h"
#include "config/ConfigReplies.h"

#include <optional>
#include <span>

namespace {

class FieldList {
public:
    template <std::size_t N>
    void Item(const char* name, const std::optional<int>& value,
              const std::array<ItemText, N>& items) {
        if (!value)
            return;
        const bool named = *value >= 0 && static_cast<std::size_t>(*value) < N;
        Add(name,
            named ? std::string(items[static_cast<std::size_t>(*value)]) : std::to_string(*value));
    }
    void Text(const char* name, const std::optional<std::string>& value) {
        if (value)
            Add(name, *value);
    }
    void Line(const char* name, const LineReply& line) {
        if (!line.baud)
            return;
        std::string text = std::to_string(*line.baud);
        if (line.parity) {
            const bool named = *line.parity >= 0 && *line.parity < 3;
            text += " " + (named ? std::string(ParityItems[static_cast<std::size_t>(*line.parity)])
                                 : std::to_string(*line.parity));
        }
        Add(name, text);
    }
    void Error(const std::optional<std::string>& error) {
        if (error)
            Add("error", *error);
    }
    std::vector<ConfigReplyField> Take() { return std::move(fields); }

private:
    void Add(const char* name, std::string value) { fields.push_back({name, std::move(value)}); }
    std::vector<ConfigReplyField> fields;
};

} // namespace

std::vector<ConfigReplyField> TypedReplyFormatter::Fields(ConfigQuery query,
                                                          std::string_view text) const {
    FieldList list;
    switch (query) {
    case ConfigQuery::Communication: {
        const CommunicationReply reply = DecodeCommunicationReply(text);
        list.Item("interface", reply.interfaceType, InterfaceTypeItems);
        list.Item("instruments", reply.instrumentCount, InstrumentCountItems);
        list.Error(reply.error);
        break;
    }
    case ConfigQuery::SystemParameters: {
        const SystemParameterReply reply = DecodeSystemParameterReply(text);
        list.Text("ADR", reply.slaveAddress);
        list.Item("mode", reply.operatingMode, OperatingModeItems);
        list.Line("RS485", reply.rs485);
        list.Line("RS232", reply.rs232);
        list.Text("poll", reply.pollInterval);
        list.Error(reply.error);
        break;
    }
    case ConfigQuery::ModbusParameters: {
        const ChannelReply reply = DecodeChannelReply(text, -1);
        list.Item("type", reply.instrumentType, InstrumentTypeItems);
        list.Item("HART", reply.hartEnabled, HartEnabledItems);
        list.Item("link", reply.hartMode, HartLinkModeItems);
        list.Text("coefficient", reply.coefficient);
        list.Text("cache", reply.cacheTime);
        list.Error(reply.error);
        break;
    }
    }
    return list.Take();
}
