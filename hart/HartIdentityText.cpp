#include "hart/HartIdentityText.h"

#include <cstdio>

std::uint32_t DeviceIdNumber(const HartIdentity& identity) {
    return (static_cast<std::uint32_t>(identity.deviceId[0]) << 16) |
           (static_cast<std::uint32_t>(identity.deviceId[1]) << 8) | identity.deviceId[2];
}

std::string CodeText(std::uint8_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "%u (0x%02X)", static_cast<unsigned>(code),
                  static_cast<unsigned>(code));
    return text;
}

std::string DeviceIdText(const HartIdentity& identity) {
    const std::uint32_t id = DeviceIdNumber(identity);
    char text[24];
    std::snprintf(text, sizeof text, "%u (0x%06X)", static_cast<unsigned>(id),
                  static_cast<unsigned>(id));
    return text;
}

std::string IdentityText(const HartIdentity& identity) {
    return "manufacturer " + CodeText(identity.manufacturerId) + ", device type " +
           CodeText(identity.deviceType) + ", device id " + DeviceIdText(identity);
}
