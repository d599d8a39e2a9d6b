#include "instrument/command_set.h"

#include <array>
#include <initializer_list>

namespace instrument {
namespace {

struct CommandSet {
    std::array<CommandLayout, kCommandNumbers> layouts{};
    std::array<int, kCommandNumbers> described{};  // how often each number is listed
};

constexpr CommandSet Describe() {
    CommandSet set;
    auto shape = [&set](std::uint8_t answer, std::initializer_list<std::uint8_t> fields,
                        std::initializer_list<int> commands) {
        CommandLayout layout;
        layout.answerBytes = answer;
        std::size_t i = 0;
        for (std::uint8_t width : fields) layout.fieldBytes[i++] = width;
        for (int command : commands) {
            set.layouts[static_cast<std::size_t>(command)] = layout;
            ++set.described[static_cast<std::size_t>(command)];
        }
    };
    // Commands that answer nothing but their echo.
    shape(0, {}, {0, 1, 12, 13, 32, 33, 40, 41, 48, 49, 50, 52, 76, 81});
    shape(0, {1}, {22, 30, 39, 77, 80, 89});
    shape(0, {1, 1}, {21, 26, 28, 35, 36, 44, 45, 46, 47, 88});
    shape(0, {1, 1, 2}, {99});
    shape(0, {1, 2}, {86, 87, 92});
    shape(0, {1, 2, 1}, {83});
    shape(0, {1, 2, 2}, {3});
    shape(0, {2}, {19, 20, 23, 24, 38, 43, 85});
    shape(0, {2, 1}, {11, 34});
    shape(0, {2, 1, 1}, {17});
    shape(0, {2, 2}, {9, 37, 78, 79});
    shape(0, {2, 2, 1}, {5});
    shape(0, {2, 2, 2}, {4, 18, 25});
    // One-byte answers.
    shape(1, {}, {42, 74, 82});
    shape(1, {1}, {27, 101});
    shape(1, {1, 2}, {102});
    shape(1, {2}, {10, 98});
    shape(1, {2, 2}, {7});
    // Two-byte answers: counts, handles, record lengths, table values.
    shape(2, {}, {29, 51, 54, 55, 56, 72, 75});
    shape(2, {1}, {31, 67, 84, 90, 91, 96, 100});
    shape(2, {1, 1}, {61, 73, 95});
    shape(2, {1, 1, 2}, {71});
    shape(2, {2}, {8, 14, 15, 16, 53, 57, 60, 62, 63, 64, 65, 69, 70, 93, 94});
    shape(2, {2, 1}, {66, 68});
    shape(2, {2, 2}, {6, 58, 59, 97});
    // The slave parameter read: a 32-bit value.
    shape(4, {1, 1}, {2});
    return set;
}

constexpr CommandSet kCommandSet = Describe();

constexpr bool EveryNumberDescribedOnce() {
    for (int count : kCommandSet.described) {
        if (count != 1) return false;
    }
    return true;
}
static_assert(EveryNumberDescribedOnce(), "each command number needs exactly one layout");

}  // namespace

const CommandLayout* LayoutOf(std::uint8_t command) {
    if (command >= kCommandNumbers || command == kBlockWriteCommand ||
        command == kBlockReadCommand) {
        return nullptr;
    }
    return &kCommandSet.layouts[command];
}

}  // namespace instrument
