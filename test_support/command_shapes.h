// The command set as the system's description lists it, grouped by shape and
// written out by hand. Tests on either side of the link compare with these
// literals, never with the other side's own table.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace witness {

struct CommandShape {
    int resultBytes;
    int argumentBytes[3];
    std::vector<int> commands;
};

inline const std::vector<CommandShape>& CommandShapes() {
    static const std::vector<CommandShape> shapes = {
        {0, {0, 0, 0}, {0, 1, 12, 13, 32, 33, 40, 41, 48, 49, 50, 52, 76, 81}},
        {0, {1, 0, 0}, {22, 30, 39, 77, 80, 89}},
        {0, {1, 1, 0}, {21, 26, 28, 35, 36, 44, 45, 46, 47, 88}},
        {0, {1, 1, 2}, {99}},
        {0, {1, 2, 0}, {86, 87, 92}},
        {0, {1, 2, 1}, {83}},
        {0, {1, 2, 2}, {3}},
        {0, {2, 0, 0}, {19, 20, 23, 24, 38, 43, 85}},
        {0, {2, 1, 0}, {11, 34}},
        {0, {2, 1, 1}, {17}},
        {0, {2, 2, 0}, {9, 37, 78, 79}},
        {0, {2, 2, 1}, {5}},
        {0, {2, 2, 2}, {4, 18, 25}},
        {1, {0, 0, 0}, {42, 74, 82}},
        {1, {1, 0, 0}, {27, 101}},
        {1, {1, 2, 0}, {102}},
        {1, {2, 0, 0}, {10, 98}},
        {1, {2, 2, 0}, {7}},
        {2, {0, 0, 0}, {29, 51, 54, 55, 56, 72, 75}},
        {2, {1, 0, 0}, {31, 67, 84, 90, 91, 96, 100}},
        {2, {1, 1, 0}, {61, 73, 95}},
        {2, {1, 1, 2}, {71}},
        {2, {2, 0, 0}, {8, 14, 15, 16, 53, 57, 60, 62, 63, 64, 65, 69, 70, 93, 94}},
        {2, {2, 1, 0}, {66, 68}},
        {2, {2, 2, 0}, {6, 58, 59, 97}},
        {4, {1, 1, 0}, {2}},
    };
    return shapes;
}

// The commands the library issues itself; the instrument gives these a meaning
// and answers every other command of the set with its own command number.
inline const std::vector<int> kIssuedByTheLibrary = {2,  3,  31, 54, 55, 56, 57, 58, 59, 60,
                                                     61, 62, 63, 64, 65, 66, 67, 68, 69, 70,
                                                     71, 72, 73, 84, 91, 93, 94, 95, 96, 97};

inline bool IssuedByTheLibrary(int command) {
    return std::ranges::find(kIssuedByTheLibrary, command) != kIssuedByTheLibrary.end();
}

// The shape of one command number; nullptr above 102.
inline const CommandShape* ShapeOf(int command) {
    for (const CommandShape& shape : CommandShapes()) {
        if (std::ranges::find(shape.commands, command) != shape.commands.end()) return &shape;
    }
    return nullptr;
}

// The request for a command with these argument values, each cut to its width
// and sent most significant byte first.
inline std::vector<std::uint8_t> RequestBytes(int command, const std::uint32_t (&values)[3]) {
    std::vector<std::uint8_t> request{static_cast<std::uint8_t>(command)};
    const CommandShape* shape = ShapeOf(command);
    for (int i = 0; shape != nullptr && i < 3; ++i) {
        for (int b = shape->argumentBytes[i] - 1; b >= 0; --b) {
            request.push_back(static_cast<std::uint8_t>(values[i] >> (8 * b)));
        }
    }
    return request;
}

}  // namespace witness
