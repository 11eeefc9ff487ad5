#include "cli/CliSession.h"

#include "cli/ModuleProfile.h"
#include "exchange/HexText.h"
#include "hart/HartFrames.h"

#include <QJsonDocument>

#include <cstdio>
#include <utility>

CliSession::CliSession(GlobalOptions options_) : options(std::move(options_)) {
    if (options.verbose) {
        link.OnTraffic = [](bool sent, std::span<const std::uint8_t> bytes) {
            std::fprintf(stderr, "%s %s\n", sent ? ">>" : "<<", HexDump(bytes).c_str());
        };
    }
}

ScriptLink& CliSession::Link() {
    if (!opened) {
        if (options.line.port.empty()) {
            throw CliFailure(ExitUsage, "no port: give --port or set TALMIRE_PORT");
        }
        if (const auto error = link.Open(options.line)) {
            throw CliFailure(ExitPort, "cannot open " + options.line.port + ": " + *error);
        }
        opened = true;
    }
    return link;
}

void CliSession::SetLine(std::uint32_t baud, TParity parity) {
    options.line.baud = baud;
    options.line.parity = parity;
    if (opened) {
        link.SetLine(baud, parity);
    }
}

ExchangeResult CliSession::Exchange(const std::vector<std::uint8_t>& frame, ReplyEnd end,
                                    std::chrono::milliseconds timeout) {
    ExchangeResult result = Link().Exchange(frame, end, timeout);
    if (result.status == ExchangeStatus::PortLost) {
        throw CliFailure(ExitPort, "the port " + options.line.port + " was lost");
    }
    if (result.status == ExchangeStatus::TimedOut) {
        throw CliFailure(ExitNoAnswer,
                         result.reply.empty()
                             ? "no answer within " + std::to_string(timeout.count()) + " ms"
                             : "incomplete answer: " + HexDump(result.reply));
    }
    return result;
}

std::string CliSession::Ascii(const std::vector<std::uint8_t>& frame) {
    return Ascii(frame, options.timeout);
}

std::string CliSession::Ascii(const std::vector<std::uint8_t>& frame,
                              std::chrono::milliseconds timeout) {
    const ExchangeResult result = Exchange(frame, ReplyEnd::Gap, timeout);
    return {result.reply.begin(), result.reply.end()};
}

std::vector<std::uint8_t> CliSession::Hart(const std::vector<std::uint8_t>& frame) {
    std::vector<std::uint8_t> reply = Exchange(frame, ReplyEnd::HartLength, options.timeout).reply;
    std::size_t at = 0;
    while (at < reply.size() && reply[at] == 0xFF) {
        ++at;
    }
    const std::span<const std::uint8_t> body = std::span(reply).subspan(at);
    if (body.size() < 2 || HartChecksum(body.first(body.size() - 1)) != body.back()) {
        throw CliFailure(ExitDeviceError, "bad HART checksum: " + HexDump(reply));
    }
    // The first status byte follows the byte count; with bit 7 clear it is the command's
    // response code, with bit 7 set a communication error the instrument saw.
    const std::size_t address = (body[0] & 0x80) != 0 ? 5 : 1;
    const std::size_t status = 1 + address + 2;
    if (status < body.size() - 1 && body[status] != 0) {
        throw CliFailure(ExitDeviceError, "HART response code " + std::to_string(body[status]) +
                                              ": " + HexDump(reply));
    }
    return reply;
}

void CliSession::Print(const QJsonObject& json, const std::string& plain) const {
    if (options.json) {
        std::fputs(QJsonDocument(json).toJson(QJsonDocument::Compact).append('\n').constData(),
                   stdout);
    } else {
        std::fputs(plain.c_str(), stdout);
    }
    std::fflush(stdout);
}

QJsonObject SettingsJson(const std::vector<ProfileSetting>& settings) {
    QJsonObject object;
    for (const ProfileSetting& s : settings) {
        object.insert(QString::fromStdString(s.key),
                      QJsonObject{{"value", QString::fromStdString(s.value)},
                                  {"label", QString::fromStdString(s.label)}});
    }
    return object;
}

std::string SettingsText(const std::vector<ProfileSetting>& settings) {
    std::string text;
    for (const ProfileSetting& s : settings) {
        text += s.key + " = " + s.value + " (" + s.label + ")\n";
    }
    return text;
}
