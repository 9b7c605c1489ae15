// Test images written as 24-bit BMP files, which GDI+ loads on Windows and under Wine alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace TarnwickTest {

// A bottom-up BMP of width × height; `pixels` row by row from the top, as 0xRRGGBB.
inline std::string bmpBytes(int width, int height, const std::vector<std::uint32_t>& pixels) {
    const int rowSize = (width * 3 + 3) / 4 * 4;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(rowSize * height);
    std::string bytes;
    const auto put = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    bytes += "BM";
    put(54 + dataSize, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<std::uint32_t>(width), 4);
    put(static_cast<std::uint32_t>(height), 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(dataSize, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t rgb = pixels[static_cast<std::size_t>(y * width + x)];
            bytes.push_back(static_cast<char>(rgb & 0xFF));
            bytes.push_back(static_cast<char>((rgb >> 8) & 0xFF));
            bytes.push_back(static_cast<char>((rgb >> 16) & 0xFF));
        }
        for (int pad = width * 3; pad < rowSize; ++pad) bytes.push_back('\0');
    }
    return bytes;
}

inline std::string bmpBytes(int width, int height, std::uint32_t rgb) {
    return bmpBytes(width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width * height), rgb));
}

} // namespace TarnwickTest
