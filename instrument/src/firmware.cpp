#include "instrument/firmware.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "instrument/command_set.h"
#include "instrument/sample_content.h"
#include "wire_bytes.h"

namespace instrument {
namespace {

constexpr std::size_t kBlockHeaderLength = 7;  // command, address(4), length(2)

std::uint32_t WidthMask(std::size_t width) {
    return width >= 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1u;
}

}  // namespace

Firmware::Firmware() : memory_(kMemorySize, 0) {
    Reset();
}

void Firmware::Reset() {
    std::fill(memory_.begin(), memory_.end(), std::uint8_t{0});
    ResetParameters();
    LoadSampleContent(store_);
    report_.Clear();
    for (auto& stored : runProtocols_) stored.clear();
    uploadExtent_ = 0;
    executed_ = 0;
    forcedCommand_ = kNoForcedAnswer;
    answerDelayMs = 0;
}

void Firmware::ResetParameters() {
    std::fill(std::begin(parameters_), std::end(parameters_), 0u);
    parameters_[0] = kFirmwareVersion;
    parameters_[1] = 96;    // wells in the block
    parameters_[2] = 1050;  // lid set point, tenths of a degree
    parameters_[3] = 40;    // ramp rate, tenths of a degree per second
    parameters_[4] = kTransferBufferAddress;
    parameters_[5] = kTransferBufferSize;
    parameters_[6] = kMemoryBase;
    parameters_[7] = kMemorySize;
}

std::size_t Firmware::RequestLength(const std::uint8_t* bytes, std::size_t have) {
    if (bytes == nullptr || have == 0) return 0;
    const std::uint8_t command = bytes[0];
    if (command == kBlockReadCommand) return kBlockHeaderLength;
    if (command == kBlockWriteCommand) {
        if (have < kBlockHeaderLength) return 0;
        const std::size_t n = wire::ReadBigEndian(bytes + 5, 2);
        return n > kMaxBlockWrite ? kUnknownRequest : kBlockHeaderLength + n;
    }
    const CommandLayout* layout = LayoutOf(command);
    return layout != nullptr ? layout->RequestBytes() : kUnknownRequest;
}

std::uint8_t* Firmware::MemoryAt(std::uint32_t address, std::size_t length) {
    if (address < kMemoryBase) return nullptr;
    const std::uint64_t offset = address - kMemoryBase;
    if (offset + length > kMemorySize) return nullptr;
    return memory_.data() + offset;
}

void Firmware::Execute(const std::uint8_t* request, std::size_t length, Reply& reply) {
    reply.accepted = false;
    reply.length = 0;
    if (request == nullptr || length == 0 || length > kMaxRequestLength) return;
    if (RequestLength(request, length) != length) return;
    const std::uint8_t command = request[0];
    if (command == kBlockWriteCommand) {
        reply.accepted = BlockWrite(request, length);
    } else if (command == kBlockReadCommand) {
        reply.accepted = BlockRead(request, reply);
    } else {
        const CommandLayout& layout = *LayoutOf(command);
        Arguments args;
        std::size_t offset = 1;
        for (std::size_t i = 0; i < layout.FieldCount(); ++i) {
            args.value[i] = wire::ReadBigEndian(request + offset, layout.fieldBytes[i]);
            offset += layout.fieldBytes[i];
        }
        const std::size_t width = layout.answerBytes;
        std::uint32_t answer = Answer(command, args);
        if (forcedCommand_ == command) {
            answer = forcedAnswer_;
            forcedCommand_ = kNoForcedAnswer;
        }
        wire::WriteBigEndian(reply.bytes, answer & WidthMask(width), width);
        reply.length = width;
        reply.accepted = true;
    }
    if (!reply.accepted) return;
    ++executed_;
    if (answerDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(answerDelayMs));
}

bool Firmware::BlockWrite(const std::uint8_t* request, std::size_t length) {
    const std::uint32_t address = wire::ReadBigEndian(request + 1, 4);
    const std::size_t n = length - kBlockHeaderLength;
    std::uint8_t* target = MemoryAt(address, n);
    if (target == nullptr) return false;
    if (n > 0) std::memcpy(target, request + kBlockHeaderLength, n);
    // An upload is whatever landed in the transfer buffer since it was last consumed.
    const std::uint64_t end = std::uint64_t{address} + n;
    const std::uint64_t bufferEnd = std::uint64_t{kTransferBufferAddress} + kTransferBufferSize;
    if (address >= kTransferBufferAddress && address < bufferEnd && n > 0) {
        const std::size_t extent =
            static_cast<std::size_t>(std::min(end, bufferEnd) - kTransferBufferAddress);
        uploadExtent_ = std::max(uploadExtent_, extent);
    }
    return true;
}

bool Firmware::BlockRead(const std::uint8_t* request, Reply& reply) {
    const std::uint32_t address = wire::ReadBigEndian(request + 1, 4);
    const std::size_t n = wire::ReadBigEndian(request + 5, 2);
    if (n > kMaxBlockRead) return false;
    const std::uint8_t* source = MemoryAt(address, n);
    if (source == nullptr) return false;
    if (n > 0) std::memcpy(reply.bytes, source, n);
    reply.length = n;
    return true;
}

void Firmware::SetParameter(std::uint8_t number, std::uint16_t value1, std::uint16_t value2) {
    if (number == 0 || number == 4) return;  // firmware version and buffer address are fixed
    parameters_[number] = (std::uint32_t{value1} << 16) | value2;
    if (number == kReportParameter) {
        report_.Generate(store_.Run(value1),
                         value2 == 1 ? ReportType::kValidation : ReportType::kRun);
    }
}

std::uint32_t Firmware::Answer(std::uint8_t command, const Arguments& args) {
    const std::uint32_t a0 = args.value[0];
    const std::uint32_t a1 = args.value[1];
    const auto h0 = static_cast<std::uint16_t>(a0);
    switch (command) {
        case 2:
            return parameters_[a0 & 0xFF];
        case 3:
            SetParameter(static_cast<std::uint8_t>(a0), static_cast<std::uint16_t>(a1),
                         static_cast<std::uint16_t>(args.value[2]));
            return 0;
        case 31:
            return 2048 + 16 * a0;  // A/D table: mid-scale plus channel offset
        case 54:
            return LookUp(ItemKind::kFolder);
        case 55:
            return LookUp(ItemKind::kProtocol);
        case 56:
            return LookUp(ItemKind::kUser);
        case 57:
            return InsertUser(h0);
        case 58:
            return InsertFolder(h0, static_cast<std::uint16_t>(a1));
        case 59:
            return InsertProtocol(h0, static_cast<std::uint16_t>(a1), false);
        case 60:
            return StoreProtocol(h0, false);
        case 61:
            return StoreRunProtocol(static_cast<std::uint8_t>(a0), false);
        case 62:
            return PlaceItemName(h0);
        case 63:
            return PlaceUser(h0);
        case 64:
            return PlaceFolder(h0);
        case 65:
            return PlaceProtocol(h0, false);
        case 66:
            return PlaceItemList(h0);
        case 67:
            return PlaceHeadStatus(static_cast<std::uint8_t>(a0), false);
        case 68:
            return ItemCount(h0);
        case 69:
            return ItemType(h0);
        case 70:
            return DeleteItem(h0);
        case 71:
            return 1;  // control request accepted
        case 72:
            return 0;  // idle, no error
        case 73:
            for (auto& stored : runProtocols_) stored.clear();
            return 1;
        case 84:
            return 40 + 5 * a0;  // temperature table, tenths of a degree
        case 91:
            return PlaceSerialNumber();
        case 93:
            return PlaceProtocol(h0, true);
        case 94:
            return StoreProtocol(h0, true);
        case 95:
            return StoreRunProtocol(static_cast<std::uint8_t>(a0), true);
        case 96:
            return PlaceHeadStatus(static_cast<std::uint8_t>(a0), true);
        case 97:
            return InsertProtocol(h0, static_cast<std::uint16_t>(a1), true);
        default:
            // The host relies on nothing else, so the rest of the set answers a
            // fixed value: its own command number, which tells the replies apart.
            return command;
    }
}

}  // namespace instrument
