#pragma once

// A check JSON documents written by hand need beside QJsonDocument's parse.

#include <QJsonObject>

#include <optional>
#include <string>

// The first key that an object of the document `text` (known to parse) holds twice, if any.
// QJsonDocument keeps the last of them silently, so a file edited by hand could say one thing
// and do another.
std::optional<std::string> DuplicateJsonKey(const std::string& text);

// The document `text` when it is a JSON object holding no key twice; nullopt with the reason
// in `error` otherwise.
std::optional<QJsonObject> StrictJsonObject(const std::string& text, std::string& error);
