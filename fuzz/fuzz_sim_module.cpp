// The simulator's module on any sequence of frames: the ASCII configuration protocol, HART
// frames for the instrument behind it and MODBUS requests. It never reads past a frame, its
// state stays within what its queries can print, every MODBUS reply carries a valid CRC, and
// the state it saves loads back into a fresh module as the same state. The saved-state
// reader also gets the raw input as a file.
#include "exchange/ModbusCrc16.h"
#include "fuzz/FuzzInput.h"
#include "sim/ModuleState.h"
#include "sim/TalmireModule.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Ask(TalmireModule& module, const std::string& text) {
    const ExactCopy frame(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return module.Handle(frame.Bytes(), 0.0);
}

void CheckModbusReply(std::span<const std::uint8_t> request,
                      const std::vector<std::uint8_t>& reply) {
    if (reply.empty())
        return;
    if (reply.size() < 5 || reply.size() > 3 + 250 + 2 || reply[0] != request[0])
        std::abort();
    const ModbusCrc crc = ModbusCrc16(std::span(reply).first(reply.size() - 2));
    if (crc.CrcHi != reply[reply.size() - 2] || crc.CrcLo != reply[reply.size() - 1])
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TalmireModule module(true);
    FuzzInput input(data, size);
    while (!input.Empty()) {
        const ExactCopy frame = input.Field();
        const auto bytes = frame.Bytes();
        const auto reply = module.Handle(bytes, 0.0);
        if (reply.size() > 512)
            std::abort();
        const bool ascii = !bytes.empty() && (bytes[0] == 'Q' || bytes[0] == 'P');
        if (!bytes.empty() && bytes[0] != 0xFF && !ascii)
            CheckModbusReply(bytes, reply);
    }
    // Whatever the frames set, the queries describe it in bounded text.
    for (const std::string query : {"QQQ#QV#", "QQQ#QX#"})
        if (Ask(module, query).size() > 200)
            std::abort();
    for (char n = '0'; n <= '8'; ++n)
        if (Ask(module, std::string("QQQ#QQ") + n + "#").size() > 400)
            std::abort();

    const std::string saved = SaveModuleState(module);
    TalmireModule reloaded(true);
    std::string error;
    if (!LoadModuleState(reloaded, saved, error) || SaveModuleState(reloaded) != saved)
        std::abort();
    const ExactCopy file(data, size);
    TalmireModule loaded(true);
    (void)LoadModuleState(loaded, file.Text(), error);
    return 0;
}
