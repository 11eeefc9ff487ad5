#include "cli/TypedReplies.h"

#include <map>
#include <string>

namespace {

void Take(const ControlUpdate& u, std::optional<int>& field) {
    if (u.kind == UpdateKind::Select)
        field = u.index;
}

void Take(const ControlUpdate& u, std::optional<std::string>& field) {
    if (u.kind == UpdateKind::Text)
        field = u.text;
}

} // namespace

CommunicationReply DecodeCommunication(std::string_view text) {
    const ReplyDecode decode = DecodeCommunicationReply(text);
    CommunicationReply reply;
    for (const ControlUpdate& u : decode.updates) {
        if (u.control == "ComboBox13")
            Take(u, reply.interfaceType);
        else if (u.control == "ComboBox1")
            Take(u, reply.instrumentCount);
    }
    reply.error = decode.error;
    return reply;
}

SystemParameterReply DecodeSystem(std::string_view text) {
    const ReplyDecode decode = DecodeSystemParameterReply(text);
    SystemParameterReply reply;
    for (const ControlUpdate& u : decode.updates) {
        const std::string& c = u.control;
        if (c.size() == 4 && c.starts_with("XS0"))
            Take(u, reply.display.at(static_cast<std::size_t>(c[3] - '1')).value);
        else if (c.size() == 5 && c.starts_with("XSFA"))
            Take(u, reply.display.at(static_cast<std::size_t>(c[4] - '1')).format);
        else if (c == "ComboBox2")
            Take(u, reply.rs232.baud);
        else if (c == "ComboBox4")
            Take(u, reply.rs232.parity);
        else if (c == "ComboBox8")
            Take(u, reply.rs485.baud);
        else if (c == "ComboBox9")
            Take(u, reply.rs485.parity);
        else if (c == "ComboBox7")
            Take(u, reply.operatingMode);
        else if (c == "Edit14")
            Take(u, reply.slaveAddress);
        else if (c == "Edit6")
            Take(u, reply.pollInterval);
    }
    reply.error = decode.error;
    return reply;
}

ChannelReply DecodeChannel(std::string_view text) {
    // The type comes from the answer itself; -1 until it names one.
    const ReplyDecode decode = DecodeModbusParameterReply(text, -1);
    ChannelReply reply;
    const std::map<std::string, std::optional<int>*> lists{
        {"ComboBox18", &reply.coefficientMode},
        {"ComboBox6", &reply.hartEnabled},
        {"ComboBox16", &reply.hartMode},
        {"ComboBox17", &reply.instrumentType},
        {"ComboBox34", &reply.prefixLength},
        {"FAMOUT1", &reply.registerFormats[0]},
        {"FAMOUT3", &reply.registerFormats[1]},
        {"FAMOUT5", &reply.registerFormats[2]},
        {"FAMOUT7", &reply.registerFormats[3]},
        {"FAMOUT9", &reply.registerFormats[4]},
        {"ComboBox15", &reply.addressBits},
        {"ComboBox14", &reply.operatingMode},
        {"ComboBox28", &reply.commands[0].enabled},
        {"ComboBox29", &reply.commands[1].enabled},
    };
    const std::map<std::string, std::optional<std::string>*> texts{
        {"Beilv", &reply.coefficient},
        {"Edit1", &reply.cacheTime},
        {"Edit4", &reply.commands[0].bytes},
        {"Edit5", &reply.commands[1].bytes},
    };
    for (const ControlUpdate& u : decode.updates) {
        if (const auto list = lists.find(u.control); list != lists.end()) {
            Take(u, *list->second);
        } else if (const auto edit = texts.find(u.control); edit != texts.end()) {
            Take(u, *edit->second);
        } else if (u.control == "GroupBox13") {
            reply.custom = u.on;
        } else if (u.control.size() == 7 && u.control.starts_with("RADCOM")) {
            Take(u, reply.variables.at(static_cast<std::size_t>(u.control[6] - '1') / 2).source);
        } else if (u.control.size() == 8 && u.control.starts_with("READADR")) {
            Take(u, reply.variables.at(static_cast<std::size_t>(u.control[7] - '1') / 2).start);
        } else if (u.control.size() == 7 && u.control.starts_with("READLG")) {
            Take(u, reply.variables.at(static_cast<std::size_t>(u.control[6] - '1') / 2).length);
        }
    }
    reply.error = decode.error;
    return reply;
}
