// The deterministic content a fresh instrument holds.
#pragma once

#include "instrument/item_store.h"

namespace instrument {

inline constexpr std::uint16_t kSampleRunCount = 12;
inline constexpr std::uint16_t kAbortedRun = 5;   // its reports have no lines
inline constexpr std::uint16_t kLongHoldRun = 9;  // its reports have kLongHoldLines lines
inline constexpr std::uint16_t kLongHoldLines = 4000;

void LoadSampleContent(ItemStore& store);

}  // namespace instrument
