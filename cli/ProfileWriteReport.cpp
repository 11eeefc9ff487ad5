#include "cli/ProfileWriteReport.h"

#include "commission/ProfileSequence.h"
#include "config/ConfigLists.h"
#include "exchange/HexText.h"

#include <QJsonArray>

#include <cstdio>
#include <string>

namespace {

QJsonArray Groups(const std::vector<std::string>& groups) {
    QJsonArray list;
    for (const std::string& group : groups)
        list.append(QString::fromStdString(group));
    return list;
}

std::string Listed(const std::vector<std::string>& groups) {
    std::string text;
    for (const std::string& group : groups)
        text += (text.empty() ? "" : ", ") + group;
    return text.empty() ? "nothing" : text;
}

QJsonObject LineJson(const LineSettings& line) {
    return {{"baud", static_cast<qint64>(line.baud)},
            {"parity", QString::fromUtf8(ParityItems[static_cast<std::size_t>(line.parity)])}};
}

} // namespace

std::string FrameText(const std::vector<std::uint8_t>& frame) {
    std::string text;
    for (const std::uint8_t byte : frame) {
        if (byte >= 0x20 && byte < 0x7F) {
            text += static_cast<char>(byte);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        }
    }
    return text;
}

QJsonObject GroupJson(const ProfileWrite& write, const std::string& result) {
    return {{"group", QString::fromStdString(write.group)},
            {"frame", QString::fromStdString(HexDump(write.frame.bytes)).trimmed()},
            {"result", QString::fromStdString(result)}};
}

int WriteGroups(CliSession& session, const Profile& wanted,
                const std::vector<ProfileWrite>& writes) {
    const LineSettings before = session.Line();
    std::vector<std::string> written;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const ProfileWrite& write = writes[i];
        if (!write.line.empty()) {
            std::fprintf(stderr,
                         "talmire-cli: writing the module's %s line settings; the link will "
                         "change if the tool is on that side\n",
                         write.line.c_str());
        }
        try {
            for (const SettingCheck& check : WriteAndVerify(session, wanted, write)) {
                if (!check.Verified()) {
                    throw CliFailure(ExitDeviceError, check.key + " reads back as " +
                                                          check.held.value_or("nothing") +
                                                          " after writing " + check.wanted);
                }
            }
        } catch (const ModuleFailure& failure) {
            std::string why = failure.what();
            if (failure.status == ExitNoAnswer || failure.status == ExitPort)
                why += " (the module may or may not hold the group now)";
            QJsonObject line = GroupJson(write, "failed");
            line.insert("error", QString::fromStdString(why));
            session.Print(line, "failed " + write.group + ": " + why + "\n");
            std::vector<std::string> untried;
            for (std::size_t k = i + 1; k < writes.size(); ++k)
                untried.push_back(writes[k].group);
            if (session.Options().json) {
                session.Print(
                    QJsonObject{
                        {"summary", QJsonObject{{"written", Groups(written)},
                                                {"failed", QString::fromStdString(write.group)},
                                                {"notTried", Groups(untried)},
                                                {"line", LineJson(session.Line())}}}},
                    {});
            }
            throw CliFailure(failure.status, "the write stopped at " + write.group + ": " + why +
                                                 "; written: " + Listed(written) +
                                                 "; not tried: " + Listed(untried));
        }
        written.push_back(write.group);
        session.Print(GroupJson(write, "verified"),
                      "wrote " + write.group + ": " + FrameText(write.frame.bytes) + "\n");
    }
    const LineSettings& after = session.Line();
    if (after.baud != before.baud || after.parity != before.parity) {
        std::fprintf(stderr, "talmire-cli: the module now answers at %u baud, parity %s\n",
                     after.baud,
                     std::string(ParityItems[static_cast<std::size_t>(after.parity)]).c_str());
    }
    if (session.Options().json) {
        session.Print(QJsonObject{{"summary", QJsonObject{{"written", Groups(written)},
                                                          {"failed", QJsonValue::Null},
                                                          {"notTried", QJsonArray()},
                                                          {"line", LineJson(after)}}}},
                      {});
    }
    return ExitOk;
}
