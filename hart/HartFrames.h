#pragma once

#include "exchange/FrameResult.h"
#include "hart/HartIdentity.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

// HART master-to-slave frames as the transparent-mode page sends them. Every frame starts
// with v + 1 preamble bytes 0xFF, v being the integer typed in "preamble length:" (-1 to
// 255, so -1 sends no preamble), and ends with the XOR of every byte after the preambles.
//
// List arguments are the value of the list on the window: the index of the item it
// displays, -1 when it displays none. A list without a value, a preamble value that is
// not an integer or is out of range, and a bad hex text give a failure and no bytes.

inline constexpr int HartMinPreambleValue = -1;
inline constexpr int HartMaxPreambleValue = 255;
// At most this many typed bytes go into a manual frame; the rest of the text is ignored.
inline constexpr std::size_t HartManualMaxBytes = 15;

// The lists the frames take an index of; the window fills its lists from here.
// Working mode: item 0 sets the master bit 0x80 of the address.
inline constexpr std::array<std::string_view, 2> HartWorkingModeTexts{"Master Mode(82)",
                                                                      "sub-master Mode(02)"};
// The poll address lists: "0" to "15" for queries, "0" to "8" for the address to write.
inline constexpr std::array<std::string_view, 16> HartPollAddressTexts{
    "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15"};
inline constexpr std::array<std::string_view, 9> HartNewAddressTexts{"0", "1", "2", "3", "4",
                                                                     "5", "6", "7", "8"};
inline constexpr int HartModeItems = static_cast<int>(HartWorkingModeTexts.size());
inline constexpr int HartPollAddressItems = static_cast<int>(HartPollAddressTexts.size());
inline constexpr int HartNewAddressItems = static_cast<int>(HartNewAddressTexts.size());

// XOR of the bytes from the delimiter up to the last byte before the checksum.
std::uint8_t HartChecksum(std::span<const std::uint8_t> bytes);

// Command 0, short frame: delimiter 0x02, master bit plus poll address, 0x00, 0x00.
FrameResult HartIdentityQuery(std::string_view preambleText, int modeIndex, int pollAddressIndex);

// Command 3, long frame: delimiter 0x82, the five long address bytes, 0x03, 0x00.
FrameResult HartDynamicVariablesQuery(std::string_view preambleText, int modeIndex,
                                      const HartIdentity& identity);

// Command 6, long frame: as command 3 with 0x06, byte count 1 and the new poll address.
FrameResult HartWriteAddress(std::string_view preambleText, int modeIndex,
                             const HartIdentity& identity, int newAddressIndex);

// A frame typed as hex pairs ("02 80 00 00"): the preambles, the typed bytes (the first
// one takes the delimiter's place) and their XOR. A missing or wrong separator gives
// "NO SPACK", a character that is not 0-9 or A-F gives "Data eeore!", both checked before
// the preamble value.
FrameResult HartManualFrame(std::string_view preambleText, std::string_view hexText);
