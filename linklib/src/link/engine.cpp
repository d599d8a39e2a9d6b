#include "engine.h"

#include <cstring>

#include "command_table.h"
#include "link_select.h"

namespace quillsan {
namespace {

std::uint8_t g_packet[kPacketBufferBytes];  // the reply of the exchange under way

bool Transact(const Request& request, std::size_t replyLength) {
    NoteCommand(request.command());
    if (request.oversized() || !SendPacket(request.bytes(), request.size())) {
        SetLinkError(kSendFailed);
        return false;
    }
    if (!ReceiveReply(g_packet, request.command(), replyLength)) {
        SetLinkError(kNoValidReply);
        return false;
    }
    return true;
}

}  // namespace

std::optional<std::uint32_t> Exchange(const Request& request, std::size_t resultWidth) {
    if (!Transact(request, resultWidth)) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < resultWidth; ++i) value = (value << 8) | g_packet[i];
    return value;
}

bool ExchangeInto(const Request& request, std::uint8_t* buffer, std::size_t length) {
    if (!Transact(request, length)) return false;
    std::memcpy(buffer, g_packet, length);
    return true;
}

std::uint32_t RemoteCall(std::uint32_t command, std::uint32_t argument1, std::uint32_t argument2,
                         std::uint32_t argument3) {
    if (!IsKnownCommand(command)) {
        // Nothing is sent for a number the instrument does not define.
        NoteCommand(static_cast<std::int16_t>(command));
        SetLinkError(kSendFailed);
        return 0;
    }
    const CommandDescriptor& descriptor = kCommandTable[command];
    const std::uint32_t arguments[3] = {argument1, argument2, argument3};
    Request request{static_cast<std::uint8_t>(command)};
    for (int i = 0; i < ArgumentCount(descriptor); ++i) {
        request.Put(arguments[i], descriptor.argumentWidth[i]);
    }
    return Exchange(request, descriptor.resultWidth).value_or(0);
}

}  // namespace quillsan
