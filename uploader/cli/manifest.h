// The export folder's manifest: which file holds which run's report, so that
// a later export skips only what it has already stored and never takes a name
// that holds another run's report. Plain text, one record a line, every field
// ASCII (see brevalin-cli(1), FILES).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace brevalin::cli {

extern const char kManifestName[];

struct ManifestRecord {
    std::string file;     // the name within the folder
    std::string runName;  // the bytes the instrument sent
    bool validation = true;
    std::size_t lines = 0;  // 0: the report was empty and is fetched again next time
    std::string sha256;     // of the file's bytes
    std::string serialNumber;
    std::string firmwareVersion;
    std::string writtenAt;  // UTC, 2026-12-01T02:00:00Z
    long index = -1;        // the run's place (0 oldest) in the manifest's listing; -1 none
};

struct Manifest {
    std::vector<std::string> listing;  // the run names, oldest first, at the last export
    std::vector<ManifestRecord> records;
};

// A missing manifest is an empty one; so is one that is not ours. Lines that
// make no sense are left out.
Manifest LoadManifest(const std::string& folder);

// Replaces the manifest atomically. False with the reason and errno value.
bool SaveManifest(const std::string& folder, const Manifest& manifest, std::string& error,
                  int& failure);

std::string ManifestText(const Manifest& manifest);
Manifest ParseManifest(const std::string& text);

}  // namespace brevalin::cli
