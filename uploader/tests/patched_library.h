// The virtual QUILLSAN.DLL as brevalin binds it, with some exports replaced by
// stand-ins that tests, the soak and the benchmark use to count, slow down or
// fail calls. A stand-in reaches the library's own export through Real<>().
#pragma once

#include <utility>
#include <vector>

#include "link_binding.h"

namespace brevalin::test {

using Patch = std::pair<EntryPoint, void*>;

// The bound library's own exports. Stand-ins are plain functions, so there is
// one table per process: the one the last Bind saw.
inline EntryPointTable& RealEntryPoints() {
    static EntryPointTable real;
    return real;
}

template <typename Function>
Function Real(EntryPoint which) {
    return reinterpret_cast<Function>(RealEntryPoints()[which]);
}

template <typename Function>
Patch StandIn(EntryPoint which, Function* standIn) {
    return {which, reinterpret_cast<void*>(standIn)};
}

class PatchedLibrary : public LinkLibrary {
  public:
    PatchedLibrary(std::string folder, std::vector<Patch> patches)
        : LinkLibrary(std::move(folder)), patches_(std::move(patches)) {}

    bool Bind(const char* fileName, char* errorText, char* versionText) override {
        ++binds;
        if (!LinkLibrary::Bind(fileName, errorText, versionText)) return false;
        RealEntryPoints() = table();
        for (const auto& [which, standIn] : patches_) table()[which] = standIn;
        return true;
    }

    int binds = 0;

  private:
    std::vector<Patch> patches_;
};

}  // namespace brevalin::test
