#include "cli/CliSession.h"

#include "commission/ModuleProfile.h"
#include "exchange/HexText.h"

#include <QJsonDocument>

#include <chrono>
#include <cstdio>
#include <unistd.h>
#include <utility>

namespace {
bool progressShown = false;
}

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
        std::fputs(Printable(plain).c_str(), stdout);
    }
    std::fflush(stdout);
}

Progress CliSession::TerminalProgress(const std::string& label) const {
    Progress progress;
    if (options.verbose || isatty(STDERR_FILENO) == 0) {
        return progress;
    }
    const auto start = std::chrono::steady_clock::now();
    progress.step = [label, start](int done, int total, const std::string& what) {
        if (done >= total) {
            EndProgress();
            return;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // \r and "erase to the end of the line": the next step writes over this one.
        std::fprintf(stderr, "\r%s %s (%d of %d), %.1f s\x1b[K", Printable(label).c_str(),
                     Printable(what).c_str(), done + 1, total, seconds);
        std::fflush(stderr);
        progressShown = true;
    };
    return progress;
}

void CliSession::EndProgress() {
    if (progressShown) {
        std::fputs("\r\x1b[K", stderr);
        std::fflush(stderr);
        progressShown = false;
    }
}

std::string Printable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // C1 controls are two bytes in UTF-8: 0xC2 0x80 to 0xC2 0x9F.
        const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if ((byte < 0x20 && byte != '\n') || byte == 0x7F || c1) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X",
                          c1 ? static_cast<unsigned char>(text[++i]) : byte);
            out += escaped;
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
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
