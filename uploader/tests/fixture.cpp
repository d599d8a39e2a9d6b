#include "fixture.h"

#include <QFile>
#include <QtTest>
#include <cstdio>
#include <cstdlib>

#include "quillsan.h"

namespace brevalin::test {

LinkFaults& Faults() {
    static LinkFaults faults;
    return faults;
}

namespace {
std::chrono::nanoseconds virtualNow{0};

void PayForCall() {
    virtualNow += std::chrono::milliseconds(Faults().callMs);
}
}  // namespace

std::chrono::nanoseconds VirtualNow() {
    return virtualNow;
}

namespace {

std::uint16_t injectedError = 0;
constexpr std::uint16_t kSendFailed = 1;
constexpr std::uint16_t kNoValidReply = 6;

// Uses up one of a counted fault; false when none is left.
bool Take(int& remaining) {
    if (remaining <= 0) return false;
    --remaining;
    return true;
}

uint32_t ClearRemoteErrorShim() {
    injectedError = Take(Faults().deadLinkChecks) ? kNoValidReply : 0;
    return Real<decltype(&::ClearRemoteError)>(kClearRemoteError)();
}

int32_t GetRemoteErrorShim() {
    const int32_t error = Real<decltype(&::GetRemoteError)>(kGetRemoteError)();
    return error != 0 ? error : injectedError;
}

uint32_t InitRemoteCommShim(uint32_t baudRate, uint32_t portIndex) {
    LinkFaults& faults = Faults();
    const uint32_t found = Real<decltype(&::InitRemoteComm)>(kInitRemoteComm)(baudRate, portIndex);
    if (baudRate == 0 && !faults.searchAnswers.isEmpty()) return faults.searchAnswers.takeFirst();
    return found;
}

uint32_t SetSlaveParameterShim(uint32_t number, uint32_t value1, uint32_t value2) {
    LinkFaults& faults = Faults();
    PayForCall();
    if (number == kReportParameter) ++faults.generations;
    if (number == kReportParameter && Take(faults.unsentGenerations)) {
        injectedError = kSendFailed;
        return 0;
    }
    const uint32_t result =
        Real<decltype(&::SetSlaveParameter)>(kSetSlaveParameter)(number, value1, value2);
    if (number == kReportParameter && Take(faults.failingGenerations))
        injectedError = kNoValidReply;
    return result;
}

uint32_t GetItemCountShim(uint32_t collection, uint32_t selector) {
    LinkFaults& faults = Faults();
    PayForCall();
    const uint32_t count = Real<decltype(&::GetItemCount)>(kGetItemCount)(collection, selector);
    if ((collection & 0xFFFF) != kReportLines) return count;
    if (faults.failingCountCalls.contains(++faults.countCalls) || Take(faults.failingCountReads)) {
        injectedError = kNoValidReply;
        return 0;
    }
    return faults.countAnswers.isEmpty() ? count : faults.countAnswers.takeFirst();
}

uint32_t GetItemNameShim(char* buffer, uint32_t handle) {
    LinkFaults& faults = Faults();
    PayForCall();
    const int call = ++faults.nameCalls;
    if (call == faults.unplugAtNameCall) LentInstrument().hid().Unplug();
    if (faults.failingNameCalls.contains(call)) {
        injectedError = kNoValidReply;
        return 0;
    }
    return Real<decltype(&::GetItemName)>(kGetItemName)(buffer, handle);
}

}  // namespace

std::vector<Patch> FaultPatches() {
    return {StandIn(kClearRemoteError, &ClearRemoteErrorShim),
            StandIn(kGetRemoteError, &GetRemoteErrorShim),
            StandIn(kInitRemoteComm, &InitRemoteCommShim),
            StandIn(kSetSlaveParameter, &SetSlaveParameterShim),
            StandIn(kGetItemCount, &GetItemCountShim),
            StandIn(kGetItemName, &GetItemNameShim)};
}

Session::Session(const std::vector<Run>& runs) : controller(view, library, dialogs) {
    view.handlers = &controller;
    LentInstrument().Reset();
    instrument::ItemStore& store = LentInstrument().firmware().Store();
    store.Clear();
    for (const Run& run : runs) {
        instrument::RunItem item;
        item.name = run.name;
        item.user = "tester";
        item.reportLines = run.reportLines;
        store.AddRun(item);
    }
    Faults() = LinkFaults();
    injectedError = 0;
    controller.SetClock(VirtualNow);
}

bool Session::Connect() {
    controller.FormCreate();
    for (int tick = 0; tick < 10 && !controller.ended(); ++tick) {
        controller.Timer1Timer();
        if (controller.connectionState() == kConnected) return true;
    }
    return false;
}

int Session::TickUntilIdle(int maxTicks) {
    for (int tick = 1; tick <= maxTicks; ++tick) {
        controller.Timer1Timer();
        if (controller.timerMode() == kIdleMode) return tick;
    }
    return -1;
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

namespace {
QStringList Texts(const std::vector<std::string>& entries) {
    QStringList out;
    for (const std::string& entry : entries) out.append(QString::fromLatin1(entry.c_str()));
    return out;
}
}  // namespace

QStringList Session::ReportLines() const {
    return Texts(view.report);
}
QStringList Session::RunNames() const {
    return Texts(view.runs);
}

QStringList StatusHistory(const Controller& controller) {
    return Texts(controller.statusHistory());
}

int RunSessionTests(int argc, char** argv);
int RunSaveTests(int argc, char** argv);
int RunCliTests(int argc, char** argv);

}  // namespace brevalin::test

// The user at the reconnect question: scripted answers, and the cable is back
// whenever the answer is Yes.
extern "C" __attribute__((visibility("default"))) int QuillsanHostPrompt(const char*, const char*) {
    brevalin::test::LinkFaults& faults = brevalin::test::Faults();
    ++faults.reconnectQuestions;
    const bool yes = faults.reconnectAnswers.isEmpty() || faults.reconnectAnswers.takeFirst();
    if (yes) brevalin::test::LentInstrument().hid().Replug();
    brevalin::HostReconnectAnswers().Note(yes);
    return yes ? 1 : 0;
}
static_assert(std::is_same_v<decltype(&QuillsanHostPrompt), QuillsanHostPromptFunction>);

int main(int argc, char** argv) {
    int failures = 0;
    {
        QCoreApplication application(argc, argv);
        failures += brevalin::test::RunSessionTests(argc, argv);
        failures += brevalin::test::RunSaveTests(argc, argv);
        failures += brevalin::test::RunCliTests(argc, argv);
    }
    // The verdict is in: end without running the loaded libraries' unload code
    // after this program's own statics are gone (the lent instrument's library
    // would run it then). Once that stalled a CI machine past the time limit.
    std::fflush(nullptr);
    std::_Exit(failures == 0 ? 0 : 1);
}
