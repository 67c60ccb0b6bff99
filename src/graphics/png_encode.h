// The status screen as PNG, one source per platform: png_encode_libpng.cpp (libpng) and
// png_encode_win32.cpp (the Windows Imaging Component).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The PNG of 0x00RRGGBB rows, each pixel repeated `scale` times across and down. Empty on failure.
std::string EncodePng(const std::vector<std::uint32_t>& pixels, int width, int height, int scale);
