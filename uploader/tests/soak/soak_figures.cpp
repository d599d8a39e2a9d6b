#include <cinttypes>
#include <iterator>
#include <numeric>

#include "soak.h"

namespace brevalin::soak {
namespace {

using instrument::FaultKind;
using instrument::HidFaultKind;

constexpr std::size_t kSerialKinds = static_cast<std::size_t>(FaultKind::kCount);
constexpr std::size_t kHidKinds = static_cast<std::size_t>(HidFaultKind::kCount);

constexpr const char* kSerialKindNames[kSerialKinds] = {
    "reply dropped", "wrong echo", "trailing echo missing", "stray bytes", "reply late"};
constexpr const char* kHidKindNames[kHidKinds] = {"write stalled",
                                                  "reply dropped",
                                                  "reply late",
                                                  "reply slow (within the wait)",
                                                  "feature requests failing",
                                                  "unplugged and replugged"};

}  // namespace

void Figures::Add(const Figures& other) {
    for (std::uint64_t Figures::*count :
         {&Figures::reports, &Figures::lines, &Figures::exchanges, &Figures::connectRetries,
          &Figures::refreshes, &Figures::saves, &Figures::saveRetries, &Figures::reconnects})
        this->*count += other.*count;
    for (std::size_t k = 0; k < kSerialKinds; ++k)
        serialFaults.byKind[k] += other.serialFaults.byKind[k];
    hidFaults.exchanges += other.hidFaults.exchanges;
    for (std::size_t k = 0; k < kHidKinds; ++k) hidFaults.byKind[k] += other.hidFaults.byKind[k];
    failed.Add(other.failed);
}

std::uint64_t Figures::SerialFaultTotal() const {
    return std::accumulate(std::begin(serialFaults.byKind), std::end(serialFaults.byKind), 0ull);
}

std::uint64_t Figures::HidFaultTotal() const {
    return std::accumulate(std::begin(hidFaults.byKind), std::end(hidFaults.byKind), 0ull);
}

void Figures::PrintMissingKinds(std::FILE* out, bool serial) const {
    const std::size_t kinds = serial ? kSerialKinds : kHidKinds;
    for (std::size_t k = 0; k < kinds; ++k) {
        if ((serial ? serialFaults.byKind[k] : hidFaults.byKind[k]) != 0) continue;
        std::fprintf(out, "  note: no '%s' fault was injected\n",
                     serial ? kSerialKindNames[k] : kHidKindNames[k]);
    }
}

void Figures::Print(std::FILE* out) const {
    std::fprintf(out,
                 "reports: %" PRIu64 " complete, in order and byte-identical (%" PRIu64 " saved)\n",
                 reports, saves - saveRetries);
    std::fprintf(out, "lines: %" PRIu64 "\n", lines);
    std::fprintf(out, "exchanges: %" PRIu64 "\n", exchanges);
    std::fprintf(out, "faults injected: %" PRIu64 "\n", SerialFaultTotal() + HidFaultTotal());
    for (std::size_t k = 0; k < kSerialKinds; ++k)
        std::fprintf(out, "  serial %-30s %" PRIu64 "\n", kSerialKindNames[k],
                     serialFaults.byKind[k]);
    for (std::size_t k = 0; k < kHidKinds; ++k)
        std::fprintf(out, "  usb    %-30s %" PRIu64 "\n", kHidKindNames[k], hidFaults.byKind[k]);
    std::fprintf(out, "retries (calls that failed and were made again):\n");
    std::fprintf(out, "  report line fetched again       %" PRIu64 "\n", failed.lineFetches);
    std::fprintf(out, "  report generated again          %" PRIu64 "\n", failed.generations);
    std::fprintf(out, "  line count read again           %" PRIu64 "\n", failed.lineCounts);
    std::fprintf(out, "  instrument searched again       %" PRIu64 "\n", connectRetries);
    std::fprintf(out,
                 "  Refresh for a wrong run list    %" PRIu64 " (%" PRIu64 " run counts, %" PRIu64
                 " names failed)\n",
                 refreshes, failed.runCounts, failed.nameFetches);
    std::fprintf(out, "  Save to File again              %" PRIu64 "\n", saveRetries);
    std::fprintf(out, "  reconnect answered Yes          %" PRIu64 "\n", reconnects);
}

}  // namespace brevalin::soak
