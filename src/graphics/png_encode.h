// PNG, one encoder for every picture the programs write (orvane-serve's pages, the snapshot
// files), one source per platform: png_encode_raster.cpp (libpng) and png_encode_win32.cpp
// (the Windows Imaging Component).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How hard the compressor works. A page that asks for a new picture every second wants it
// Fast; a file that is kept wants it Small. The Windows Imaging Component has one way only.
enum class PngPacking { Fast, Small };

// The PNG of 0x00RRGGBB rows, each pixel repeated `scale` times across and down. Empty on failure.
std::string EncodePng(const std::vector<std::uint32_t>& pixels, int width, int height, int scale,
                      PngPacking packing = PngPacking::Fast);
