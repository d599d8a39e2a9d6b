#include "instrument/sample_content.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "instrument/sample_program.h"

namespace instrument {
namespace {

struct SampleUser {
    const char* name;
    const char* extraText;  // at most 13 characters
    std::uint16_t words[6];
    std::uint8_t bytes[5];
};

// words: access level, PIN code, language, date format, temperature unit, last program.
constexpr SampleUser kUsers[] = {
    {"ADMIN", "Administrator", {3, 1234, 1, 0, 0, 0}, {1, 1, 1, 0, 0}},
    {"LAB TECH", "Molecular lab", {2, 4711, 1, 0, 0, 1}, {1, 0, 1, 0, 0}},
    {"GUEST", "Read only", {1, 0, 1, 0, 0, 0}, {0, 0, 0, 0, 0}},
};

constexpr const char* kFolders[] = {"GENERAL", "QPCR ASSAYS", "VALIDATION"};

struct SampleRun {
    const char* date;  // "YYYY-MM-DD hh:mm"
    std::uint8_t program;
    std::uint8_t user;
    RunOutcome outcome;
};

// Oldest first: run n is the n-th run the instrument recorded.
constexpr SampleRun kRuns[kSampleRunCount] = {
    {"2026-09-14 09:12", 0, 1, RunOutcome::kPassed},
    {"2026-09-21 10:40", 1, 1, RunOutcome::kPassed},
    {"2026-10-02 08:55", 2, 2, RunOutcome::kPassed},
    {"2026-10-09 13:20", 0, 1, RunOutcome::kDeviation},
    {"2026-10-16 15:02", 3, 0, RunOutcome::kPassed},
    {"2026-10-23 11:47", 1, 1, RunOutcome::kAborted},
    {"2026-10-30 09:05", 1, 1, RunOutcome::kPassed},
    {"2026-11-06 14:30", 2, 2, RunOutcome::kPassed},
    {"2026-11-13 16:18", 0, 0, RunOutcome::kPassed},
    {"2026-11-20 17:45", 3, 1, RunOutcome::kLongHold},
    {"2026-11-27 08:10", 0, 1, RunOutcome::kDeviation},
    {"2026-11-30 14:05", 1, 1, RunOutcome::kPassed},
};
static_assert(kRuns[kAbortedRun].outcome == RunOutcome::kAborted);
static_assert(kRuns[kLongHoldRun].outcome == RunOutcome::kLongHold);

// Copies text into a fixed field, zero-filled; a text that fills the field gets no terminator.
void CopyText(std::uint8_t* field, std::size_t size, const char* text) {
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result): fixed fields, as the record holds them
    std::memcpy(field, text, std::min(size, std::strlen(text)));
}

void PutWord(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

// Laid out as the host uploads a user record: name 26, extra text 13, six
// words and five bytes interleaved as the record's field order says.
UserItem MakeUser(const SampleUser& sample) {
    UserItem user;
    std::uint8_t* at = user.upload.data();
    CopyText(at, 26, sample.name);
    CopyText(at + 26, 13, sample.extraText);
    for (std::size_t i = 0; i < 5; ++i) PutWord(at + 39 + 2 * i, sample.words[i]);
    for (int i = 0; i < 4; ++i) at[49 + i] = sample.bytes[i];
    PutWord(at + 53, sample.words[5]);
    at[55] = sample.bytes[4];
    return user;
}

FolderItem MakeFolder(const char* name) {
    FolderItem folder;
    CopyText(folder.name.data(), folder.name.size(), name);
    return folder;
}

RunItem MakeRun(std::size_t n, const SampleRun& sample) {
    RunItem run;
    const SampleProgram& program = SamplePrograms()[sample.program];
    char name[64];
    std::snprintf(name, sizeof name, "RUN %04zu  %s  %s", n + 1, sample.date, program.shortName);
    run.name = name;
    run.program = sample.program;
    run.user = kUsers[sample.user].name;
    run.outcome = sample.outcome;
    if (sample.outcome == RunOutcome::kLongHold) run.logLines = kLongHoldLines;
    return run;
}

}  // namespace

void LoadSampleContent(ItemStore& store) {
    store.Clear();
    for (const SampleUser& user : kUsers) store.AddUser(MakeUser(user));
    for (const char* folder : kFolders) store.AddFolder(MakeFolder(folder));
    for (const SampleProgram& program : SamplePrograms()) {
        store.AddProtocol({EncodeFirstForm(program), EncodeSecondForm(program), 1, 0});
    }
    for (std::size_t n = 0; n < kSampleRunCount; ++n) store.AddRun(MakeRun(n, kRuns[n]));
}

}  // namespace instrument
