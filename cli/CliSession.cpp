#include "cli/CliSession.h"

#include "commission/ModuleProfile.h"
#include "exchange/HexText.h"

#include <QJsonDocument>

#include <cstdio>
#include <utility>

CliSession::CliSession(GlobalOptions options_)
    : ModuleLine(options_.line, options_.timeout), options(std::move(options_)) {
    if (options.verbose) {
        SetTraffic([](bool sent, std::span<const std::uint8_t> bytes) {
            std::fprintf(stderr, "%s %s\n", sent ? ">>" : "<<", HexDump(bytes).c_str());
        });
        SetDropTrace(
            [](const std::string& dropped) { std::fprintf(stderr, "<< %s\n", dropped.c_str()); });
    }
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
