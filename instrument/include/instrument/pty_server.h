// Serves a private instrument on a pseudo-terminal so that any serial program
// can talk to it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "instrument/firmware.h"
#include "instrument/serial_front_end.h"

namespace instrument {

class PtyServer {
  public:
    PtyServer();
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    bool Start();
    void Stop();
    std::string SlavePath() const { return slavePath_; }
    // The library reaches /dev/pts/K as port index 299 + K (COM 300 + K).
    std::uint32_t PortIndex() const;

    template <class F>
    void WithInstrument(F f) {
        std::lock_guard<std::mutex> lock(mutex_);
        f(firmware_, serial_);
    }

  private:
    void Run();
    void Serve(std::uint64_t nowMs);
    bool Flush();

    Firmware firmware_;
    SerialFrontEnd serial_;
    std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::uint8_t pending_[kOutputRingSize] = {};
    std::size_t pendingStart_ = 0;
    std::size_t pendingLength_ = 0;
};

}  // namespace instrument
