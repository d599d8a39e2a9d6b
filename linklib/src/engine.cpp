#include "engine.h"

#include <cstring>

#include "command_table.h"
#include "diagnostic_log.h"
#include "link_select.h"
#include "serial_transport.h"

namespace quillsan {
namespace {

LinkState g_link;

}  // namespace

LinkState& Link() {
    return g_link;
}

void SetCurrentCommand(std::int16_t command) {
    g_link.currentCommand = command;
}

void BeginRequest(std::uint8_t command) {
    g_link.packet[0] = command;
    g_link.writePosition = 1;
}

void PutValue(int width) {
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) {
        // Stop at the end of the buffer; SendPacket refuses the oversized request.
        if (g_link.writePosition >= kPacketBufferBytes) return;
        g_link.packet[g_link.writePosition++] = static_cast<std::uint8_t>(g_link.value >> shift);
    }
}

std::uint32_t RemoteCall(std::uint32_t command, std::uint32_t argument1, std::uint32_t argument2,
                         std::uint32_t argument3) {
    SetCurrentCommand(static_cast<std::int16_t>(command));
    if (!IsKnownCommand(command)) {
        // Nothing is sent for a number the instrument does not define.
        SetLinkError(kSendFailed);
        return 0;
    }
    const CommandDescriptor& descriptor = kCommandTable[command];
    const std::uint32_t arguments[3] = {argument1, argument2, argument3};
    BeginRequest(static_cast<std::uint8_t>(command));
    for (int i = 0; i < ArgumentCount(descriptor); ++i) {
        g_link.value = arguments[i];
        PutValue(descriptor.argumentWidth[i]);
    }
    return Exchange(descriptor.resultWidth) ? g_link.value : 0;
}

bool Exchange(std::size_t replyLength) {
    const std::uint8_t command = g_link.packet[0];
    if (!SendPacket(g_link.packet, g_link.writePosition)) {
        SetLinkError(kSendFailed);
        return false;
    }
    if (!ReceiveReply(g_link.packet, command, replyLength)) {
        SetLinkError(kNoValidReply);
        return false;
    }
    if (command == kBlockWriteCommand || command == kBlockReadCommand) return true;
    g_link.value = 0;
    for (std::size_t i = 0; i < replyLength; ++i)
        g_link.value = (g_link.value << 8) | g_link.packet[i];
    return true;
}

bool ExchangeInto(std::uint8_t* buffer, std::size_t length) {
    if (!Exchange(length)) return false;
    std::memcpy(buffer, g_link.packet, length);
    return true;
}

bool PutDataAndExchange(const std::uint8_t* data, std::size_t length) {
    if (length > kPacketBufferBytes - g_link.writePosition) {
        // Longer than any request can be: refuse it as an oversized send.
        SetLinkError(kSendFailed);
        return false;
    }
    std::memcpy(g_link.packet + g_link.writePosition, data, length);
    g_link.writePosition += static_cast<std::uint32_t>(length);
    return Exchange(0);
}

void SetLinkError(std::int32_t code) {
    char timestamp[kTimestampSize];
    FormatTimestamp(timestamp);
    WriteLogEntryF(kLogNameLower, "Link error #%d in function %d @%s\r\n", code,
                   g_link.currentCommand, timestamp);
    DrainInput();
    g_link.linkError = code;
}

}  // namespace quillsan
