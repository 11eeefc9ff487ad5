#include "commission/ProfileFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <filesystem>

namespace {

// What `path` names, links followed; not_found also when it cannot be looked at.
std::filesystem::file_type Kind(const QString& path) {
    std::error_code error;
    return std::filesystem::status(std::filesystem::path(path.toStdU16String()), error).type();
}

} // namespace

std::optional<std::string> ReadRegularFile(const QString& path, std::string& error,
                                           std::size_t limit) {
    QFile file(path);
    const std::filesystem::file_type kind = Kind(path);
    if (kind == std::filesystem::file_type::not_found) {
        error = path.toStdString() + ": no such file";
        return std::nullopt;
    }
    // QFileInfo counts a device as a file: the system's own word is asked.
    if (kind != std::filesystem::file_type::regular) {
        error = path.toStdString() + ": not a regular file";
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = path.toStdString() + ": " + file.errorString().toStdString();
        return std::nullopt;
    }
    // The file may have been replaced since it was looked at: what is read is bounded anyway.
    if (file.isSequential()) {
        error = path.toStdString() + ": not a regular file";
        return std::nullopt;
    }
    const QByteArray bytes = file.read(static_cast<qint64>(limit) + 1);
    if (file.error() != QFileDevice::NoError) {
        error = path.toStdString() + ": " + file.errorString().toStdString();
        return std::nullopt;
    }
    if (static_cast<std::size_t>(bytes.size()) > limit) {
        error = path.toStdString() + ": larger than " + std::to_string(limit / 1024) +
                " KiB, which no profile is";
        return std::nullopt;
    }
    return bytes.toStdString();
}

std::optional<Profile> LoadProfileFile(const QString& path, std::string& error, bool& fileError) {
    const std::optional<std::string> text = ReadRegularFile(path, error);
    fileError = !text;
    if (!text) {
        return std::nullopt;
    }
    std::optional<Profile> profile = ProfileFromJson(*text, error);
    if (!profile) {
        error = path.toStdString() + ": " + error;
    }
    return profile;
}

std::optional<std::string> SaveFileWhole(const QString& path, const std::string& bytes) {
    // A device or a pipe would be written in place, and some (a full disk's stand-in
    // /dev/full among them) swallow the failure: only regular files are saved.
    if (const std::filesystem::file_type kind = Kind(path);
        kind != std::filesystem::file_type::not_found &&
        kind != std::filesystem::file_type::regular) {
        return path.toStdString() + " cannot be written: not a regular file";
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.commit()) {
        const std::string reason = file.errorString().toStdString();
        file.cancelWriting();
        return path.toStdString() + " cannot be written: " + reason;
    }
    return std::nullopt;
}

QString AsFoundFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           "/talmire/as-found";
}

std::optional<QString> SaveAsFound(const Profile& profile, const std::string& port,
                                   std::string& error) {
    const QString folder = AsFoundFolder();
    if (!QDir().mkpath(folder)) {
        error = "the folder " + folder.toStdString() + " cannot be made";
        return std::nullopt;
    }
    // "ttyUSB0" of "/dev/ttyUSB0", anything but letters, digits, '.', '-' made '_'.
    QString name = QFileInfo(QString::fromStdString(port)).fileName();
    for (QChar& c : name) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != '.' && c != '-')
            c = '_';
    }
    const QString stem = folder + "/" +
                         QDateTime::currentDateTime().toString("yyyy-MM-ddTHH-mm-ss") + "-" +
                         (name.isEmpty() ? QString("port") : name);
    QString path = stem + ".json";
    for (int n = 2; QFileInfo::exists(path); ++n) {
        path = stem + "-" + QString::number(n) + ".json";
    }
    if (const std::optional<std::string> failed = SaveFileWhole(path, ProfileToJson(profile))) {
        error = *failed;
        return std::nullopt;
    }
    return path;
}
