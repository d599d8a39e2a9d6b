#include "manifest.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "report_files.h"

namespace brevalin::cli {

const char kManifestName[] = ".brevalin-manifest";

namespace {

constexpr char kHeader[] = "brevalin-cli manifest 1";
// Far more than an instrument stores; a longer file is not ours.
constexpr std::size_t kMaxManifestBytes = 64u << 20;

// Printable ASCII stays, a backslash doubles, every other byte is \xHH: no
// tab or line end inside a field, and the instrument's bytes come back exactly.
std::string Escaped(const std::string& bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Unescaped(const std::string& text, std::string& bytes) {
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '\\') {
            bytes += '\\';
            ++i;
        } else if (i + 3 < text.size() && text[i + 1] == 'x' && HexDigit(text[i + 2]) >= 0 &&
                   HexDigit(text[i + 3]) >= 0) {
            bytes += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

bool Number(const std::string& text, long& value) {
    if (text.empty() || text.size() > 9) return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0';
}

bool Sha256Text(const std::string& text) {
    if (text.size() != 64) return false;
    for (const char c : text) {
        if (HexDigit(c) < 0 || (c >= 'A' && c <= 'F')) return false;
    }
    return true;
}

// A file name of ours: no folder part, no hidden file.
bool PlainFileName(const std::string& name) {
    return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool ParseRecord(const std::vector<std::string>& fields, ManifestRecord& record) {
    long lines = 0;
    long index = 0;
    if (fields.size() != 10 || !Unescaped(fields[1], record.file) || !PlainFileName(record.file) ||
        !Unescaped(fields[2], record.runName) ||
        (fields[3] != "validation" && fields[3] != "run") || !Number(fields[4], lines) ||
        lines < 0 || !Sha256Text(fields[5]) || !Unescaped(fields[6], record.serialNumber) ||
        !Unescaped(fields[7], record.firmwareVersion) || !Unescaped(fields[8], record.writtenAt) ||
        !Number(fields[9], index) || index < -1) {
        return false;
    }
    record.validation = fields[3] == "validation";
    record.lines = static_cast<std::size_t>(lines);
    record.sha256 = fields[5];
    record.index = index;
    return true;
}

}  // namespace

std::string ManifestText(const Manifest& manifest) {
    std::string text = std::string(kHeader) + "\n";
    for (const std::string& name : manifest.listing) text += "run\t" + Escaped(name) + "\n";
    for (const ManifestRecord& r : manifest.records) {
        text += "file\t" + Escaped(r.file) + "\t" + Escaped(r.runName) + "\t" +
                (r.validation ? "validation" : "run") + "\t" + std::to_string(r.lines) + "\t" +
                r.sha256 + "\t" + Escaped(r.serialNumber) + "\t" + Escaped(r.firmwareVersion) +
                "\t" + Escaped(r.writtenAt) + "\t" + std::to_string(r.index) + "\n";
    }
    return text;
}

Manifest ParseManifest(const std::string& text) {
    Manifest manifest;
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kHeader) return manifest;
    while (std::getline(lines, line)) {
        const std::vector<std::string> fields = Fields(line);
        std::string name;
        ManifestRecord record;
        if (fields[0] == "run" && fields.size() == 2 && Unescaped(fields[1], name)) {
            manifest.listing.push_back(name);
        } else if (fields[0] == "file" && ParseRecord(fields, record)) {
            manifest.records.push_back(record);
        }
    }
    // A record's place must lie in the listing it refers to.
    for (ManifestRecord& record : manifest.records) {
        if (record.index >= static_cast<long>(manifest.listing.size())) record.index = -1;
    }
    return manifest;
}

Manifest LoadManifest(const std::string& folder) {
    std::string text;
    if (!ReadFileBytes(folder + "/" + kManifestName, text, kMaxManifestBytes)) return {};
    return ParseManifest(text);
}

bool SaveManifest(const std::string& folder, const Manifest& manifest, std::string& error,
                  int& failure) {
    return WriteFileWhole(folder + "/" + kManifestName, ManifestText(manifest), true, error,
                          failure);
}

}  // namespace brevalin::cli
