#include "commission/ProfileSequence.h"

#include "config/ConfigFrames.h"
#include "config/ConfigLists.h"
#include "exchange/HexText.h"
#include "exchange/IntegerText.h"

#include <functional>

namespace {

std::vector<std::uint8_t> Frame(const FrameResult& frame) {
    if (!frame.ok())
        throw ModuleFailure(FailureUsage, frame.message);
    return frame.bytes;
}

// A configuration query and its decoded answer. An answer without a length ends at the
// line's gap, so a module that pauses in the middle of one gives a cut answer: a query changes
// nothing, so it is asked once more before the answer counts as wrong.
template <typename Reply>
Reply Query(ModuleLine& line, const FrameResult& frame, const std::string& what,
            const std::function<Reply(const std::string&)>& decode,
            const std::function<bool(const Reply&)>& complete) {
    std::string answer;
    for (int attempt = 0; attempt < 2; ++attempt) {
        answer = line.Ascii(Frame(frame));
        Reply reply = decode(answer);
        if (complete(reply) && !reply.error)
            return reply;
    }
    throw ModuleFailure(FailureDevice,
                        "unexpected answer to the " + what + ": \"" + TextHead(answer) + "\"");
}

} // namespace

CommunicationReply ReadLink(ModuleLine& line) {
    return Query<CommunicationReply>(line, CommunicationQuery(), "communication query",
                                     DecodeCommunicationReply,
                                     [](const CommunicationReply& r) { return r.Answered(); });
}

SystemParameterReply ReadSystem(ModuleLine& line) {
    // The polling interval is the answer's last field.
    return Query<SystemParameterReply>(
        line, SystemParameterQuery(), "system parameter query", DecodeSystemParameterReply,
        [](const SystemParameterReply& r) { return r.slaveAddress && r.pollInterval; });
}

ChannelReply ReadChannel(ModuleLine& line, int instrument) {
    // The register formats end the answer, or a custom instrument's second read command.
    return Query<ChannelReply>(
        line, ModbusParameterQuery(instrument), "channel query",
        [](const std::string& text) { return DecodeChannelReply(text, -1); },
        [](const ChannelReply& r) {
            return r.instrumentType && r.registerFormats.back() &&
                   (!r.custom.value_or(false) || r.commands.back().bytes);
        });
}

ModuleReplies ReadModuleReplies(ModuleLine& line, const Progress& progress) {
    constexpr int Steps = 2 + ChannelCount;
    ModuleReplies replies;
    progress.ThrowIfCancelled();
    progress.Report(0, Steps, "interface");
    replies.link = ReadLink(line);
    progress.ThrowIfCancelled();
    progress.Report(1, Steps, "system parameters");
    replies.system = ReadSystem(line);
    replies.channels.reserve(ChannelCount);
    for (int i = 0; i < ChannelCount; ++i) {
        progress.ThrowIfCancelled();
        progress.Report(2 + i, Steps, "channel " + std::to_string(i));
        replies.channels.push_back(ReadChannel(line, i));
    }
    progress.Report(Steps, Steps, "done");
    return replies;
}

Profile ReadBack(ModuleLine& line, int query) {
    if (query == -1)
        return SystemSettings(ReadLink(line), {});
    if (query == -2)
        return SystemSettings({}, ReadSystem(line));
    return ChannelSettings(query, ReadChannel(line, query));
}

std::optional<std::pair<std::uint32_t, TParity>> ProfileLine(const Profile& wanted,
                                                             const std::string& side) {
    // The values, never the labels, which are for the reader.
    const ProfileSetting* baud = Find(wanted, side + ".baud");
    const ProfileSetting* parity = Find(wanted, side + ".parity");
    const int baudIndex = baud ? TryStrToInt(baud->value).value_or(-1) : -1;
    const int parityIndex = parity ? TryStrToInt(parity->value).value_or(-1) : -1;
    const std::span<const ItemText> speeds =
        side == "rs232" ? std::span<const ItemText>(Rs232BaudItems) : Rs485BaudItems;
    if (baudIndex < 0 || baudIndex >= static_cast<int>(speeds.size()) || parityIndex < 0 ||
        parityIndex >= static_cast<int>(ParityItems.size()))
        return std::nullopt;
    return std::pair{static_cast<std::uint32_t>(
                         std::stoul(std::string(speeds[static_cast<std::size_t>(baudIndex)]))),
                     static_cast<TParity>(parityIndex)};
}

std::vector<SettingCheck> WriteAndVerify(ModuleLine& line, const Profile& wanted,
                                         const ProfileWrite& write) {
    if (!write.frame.ok())
        throw ModuleFailure(FailureUsage, "the profile's " + write.group +
                                              " cannot be written: " + write.frame.message);
    const std::string answer = line.Ascii(write.frame.bytes);
    if (answer.find("QQS OK") == std::string::npos)
        throw ModuleFailure(FailureDevice,
                            "the module refused " + write.group + ": \"" + answer + "\"");
    Profile now;
    try {
        now = ReadBack(line, write.readBack);
    } catch (const ModuleFailure& failure) {
        // The speed and parity the frame carried, the module's own where the profile has none.
        const auto next =
            write.line.empty() ? std::nullopt : ProfileLine(write.carried, write.line);
        if (!next || failure.status != FailureNoAnswer)
            throw;
        // The module now speaks at the line settings just written.
        line.SetLine(next->first, next->second);
        now = ReadBack(line, write.readBack);
    }
    std::vector<SettingCheck> checks;
    for (const std::string& key : write.keys) {
        const ProfileSetting* want = Find(wanted, key);
        if (!want)
            continue;
        const ProfileSetting* held = Find(now, key);
        checks.push_back(
            {key, want->value, held ? std::optional<std::string>(held->value) : std::nullopt});
    }
    return checks;
}
