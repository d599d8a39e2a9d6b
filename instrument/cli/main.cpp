// Runs a virtual instrument on a pseudo-terminal until interrupted.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "instrument/pty_server.h"

namespace {

volatile sig_atomic_t stopRequested = 0;

void OnSignal(int) {
    stopRequested = 1;
}

struct Options {
    long faultRate = 0;
    unsigned long long planNumber = 1;
    long replyDelayMs = 0;
};

void PrintUsage(std::FILE* to) {
    std::fputs(
        "usage: virtual-instrument [--fault-rate PERCENT] [--plan N] [--reply-delay-ms MS]\n"
        "  --fault-rate PERCENT  share of exchanges (0-100) that get a random line fault\n"
        "  --plan N              start value of the fault sequence (default 1)\n"
        "  --reply-delay-ms MS   delay every reply by MS milliseconds\n",
        to);
}

bool ParseNumber(const char* text, unsigned long long max, unsigned long long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value <= max && text[0] != '-';
}

// Returns 0 to run, otherwise the exit status.
int ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h") {
            PrintUsage(stdout);
            return -1;
        }
        unsigned long long value = 0;
        const bool known =
            option == "--fault-rate" || option == "--plan" || option == "--reply-delay-ms";
        const unsigned long long max = option == "--fault-rate" ? 100
                                       : option == "--plan"     ? ~0ull
                                                                : 600000;
        if (!known || i + 1 >= argc || !ParseNumber(argv[++i], max, value)) {
            std::fprintf(stderr, "virtual-instrument: bad option or value: %s\n", argv[i]);
            PrintUsage(stderr);
            return 2;
        }
        if (option == "--fault-rate") options.faultRate = static_cast<long>(value);
        if (option == "--plan") options.planNumber = value;
        if (option == "--reply-delay-ms") options.replyDelayMs = static_cast<long>(value);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const int parsed = ParseOptions(argc, argv, options);
    if (parsed != 0) return parsed < 0 ? 0 : parsed;

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    instrument::PtyServer server;
    if (!server.Start()) {
        std::fprintf(stderr, "virtual-instrument: cannot open a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return 1;
    }
    server.WithInstrument([&](instrument::Firmware&, instrument::SerialFrontEnd& serial) {
        instrument::FaultPlan& faults = serial.Faults();
        faults.randomPercent = static_cast<int>(options.faultRate);
        faults.planNumber = options.planNumber;
        if (options.replyDelayMs > 0) {
            faults.replyDelayMs = static_cast<std::uint64_t>(options.replyDelayMs);
            faults.delayedReplies = -1;
        }
    });
    std::printf(
        "Virtual Zantorel instrument (firmware %u.%03u) on %s — use port index %u (COM%u)\n",
        instrument::kFirmwareVersion / 1000, instrument::kFirmwareVersion % 1000,
        server.SlavePath().c_str(), server.PortIndex(), server.PortIndex() + 1);
    std::fflush(stdout);

    while (stopRequested == 0) usleep(20000);

    std::uint64_t served = 0;
    server.WithInstrument([&](instrument::Firmware&, instrument::SerialFrontEnd& serial) {
        served = serial.RequestCount();
    });
    server.Stop();
    std::printf("Virtual instrument stopped after %llu requests\n",
                static_cast<unsigned long long>(served));
    return 0;
}
