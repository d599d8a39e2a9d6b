// Model of the instrument's firmware: its memory, slave parameters, item store
// and the answers to every command of the command table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "instrument/item_store.h"
#include "instrument/report.h"

namespace instrument {

inline constexpr std::uint32_t kFirmwareVersion = 1009;  // slave parameter 0
inline constexpr std::uint32_t kMemoryBase = 0x20000000;
inline constexpr std::uint32_t kMemorySize = 0x10000;
inline constexpr std::uint32_t kTransferBufferAddress = 0x20008000;  // slave parameter 4
inline constexpr std::uint32_t kTransferBufferSize = 0x1000;
inline constexpr std::size_t kMaxRequestLength = 256;
inline constexpr std::size_t kMaxBlockWrite = 249;
inline constexpr std::size_t kMaxBlockRead = 254;
inline constexpr std::uint8_t kReportParameter = 22;
inline constexpr char kSerialNumber[] = "ZT-96-004217";

struct Reply {
    bool accepted = false;         // false: the firmware rejects the request
    std::uint8_t bytes[256] = {};  // reply bytes that follow the command echo
    std::size_t length = 0;        // result width, or n for a block read of n bytes
};

class Firmware {
  public:
    Firmware();
    void Reset();

    // Total wire length of the request whose first `have` bytes are given; 0 while
    // more bytes are needed to tell; kUnknownRequest when no valid request starts
    // this way (a command number above 102, or a block write of more than 249 bytes).
    static std::size_t RequestLength(const std::uint8_t* bytes, std::size_t have);
    static constexpr std::size_t kUnknownRequest = SIZE_MAX;

    void Execute(const std::uint8_t* request, std::size_t length, Reply& reply);

    // Real time every accepted request takes, as a slow instrument would.
    std::uint32_t answerDelayMs = 0;

    std::uint32_t SlaveParameter(std::uint8_t number) const { return parameters_[number]; }
    std::uint8_t* MemoryAt(std::uint32_t address, std::size_t length);
    ItemStore& Store() { return store_; }
    const Report& CurrentReport() const { return report_; }
    std::uint64_t ExecutedCount() const { return executed_; }
    std::size_t UploadExtent() const { return uploadExtent_; }

    // A hostile instrument for tests: the next execution of `command` answers
    // `value` (after doing its own work, so a record command still places its record).
    void ForceNextAnswer(std::uint8_t command, std::uint32_t value) {
        forcedCommand_ = command;
        forcedAnswer_ = value;
    }

  private:
    struct Arguments {
        std::uint32_t value[3] = {};
    };

    void ResetParameters();
    bool BlockWrite(const std::uint8_t* request, std::size_t length);
    bool BlockRead(const std::uint8_t* request, Reply& reply);
    std::uint32_t Answer(std::uint8_t command, const Arguments& args);
    void SetParameter(std::uint8_t number, std::uint16_t value1, std::uint16_t value2);

    // Record commands: place a record at the start of the transfer buffer and
    // answer its length, 0 when there is nothing to place.
    std::uint16_t PlaceRecord(const std::uint8_t* bytes, std::size_t length);
    std::uint16_t PlaceItemName(std::uint16_t handle);
    std::uint16_t PlaceUser(std::uint16_t handle);
    std::uint16_t PlaceFolder(std::uint16_t handle);
    std::uint16_t PlaceProtocol(std::uint16_t handle, bool secondForm);
    std::uint16_t PlaceItemList(std::uint16_t collection);
    std::uint16_t PlaceHeadStatus(std::uint8_t selector, bool secondForm);
    std::uint16_t PlaceSerialNumber();

    // Commands that consume what the host uploaded into the transfer buffer.
    const std::uint8_t* TakeUpload(std::size_t& length);
    std::uint16_t LookUp(ItemKind kind);
    std::uint16_t InsertUser(std::uint16_t value);
    std::uint16_t InsertFolder(std::uint16_t value1, std::uint16_t value2);
    std::uint16_t InsertProtocol(std::uint16_t value1, std::uint16_t value2, bool secondForm);
    std::uint16_t StoreProtocol(std::uint16_t handle, bool secondForm);
    std::uint16_t StoreRunProtocol(std::uint8_t slot, bool secondForm);

    std::uint16_t ItemCount(std::uint16_t collection) const;
    std::uint16_t ItemType(std::uint16_t handle) const;
    std::uint16_t DeleteItem(std::uint16_t handle);

    std::vector<std::uint8_t> memory_;
    std::uint32_t parameters_[256] = {};
    ItemStore store_;
    Report report_;
    std::vector<std::uint8_t> runProtocols_[2];  // last protocol stored for a run, per form
    std::size_t uploadExtent_ = 0;
    std::uint64_t executed_ = 0;
    static constexpr int kNoForcedAnswer = -1;
    int forcedCommand_ = kNoForcedAnswer;
    std::uint32_t forcedAnswer_ = 0;
};

}  // namespace instrument
