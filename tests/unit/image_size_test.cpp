#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <optional>
#include <string>

#include "base/gdiplus_session.h"
#include "catalog/icon_load.h"
#include "catalog/image_size.h"
#include "tests/support/operation_test_support.h"

namespace {

unsigned White(int, int) { return 0xFFFFFFFFu; }

std::string BigEndian32(unsigned long value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

std::string LittleEndian(unsigned long value, int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes += static_cast<char>(value >> (8 * i));
    return bytes;
}

// A small PNG file whose header announces another size: the 260 KB file of
// 16384 x 16384 pixels is no larger than its compressed rows.
std::string PngAnnouncing(unsigned long width, unsigned long height) {
    std::string png = MakePng(2, 2, White);
    return png.substr(0, 16) + BigEndian32(width) + BigEndian32(height) + png.substr(24);
}

// An uncompressed 24-bit BMP; a negative height stores the rows top down.
std::string MakeBmp(int width, int height) {
    const unsigned long rowBytes = (static_cast<unsigned long>(width) * 3 + 3) / 4 * 4;
    const unsigned long pixelBytes = rowBytes * static_cast<unsigned long>(height < 0 ? -height : height);
    std::string bmp = "BM" + LittleEndian(54 + pixelBytes, 4) + LittleEndian(0, 4) + LittleEndian(54, 4);
    bmp += LittleEndian(40, 4) + LittleEndian(static_cast<unsigned long>(width), 4) +
           LittleEndian(static_cast<unsigned long>(height), 4) + LittleEndian(1, 2) + LittleEndian(24, 2) +
           LittleEndian(0, 4) + LittleEndian(pixelBytes, 4) + LittleEndian(2835, 4) + LittleEndian(2835, 4) +
           LittleEndian(0, 4) + LittleEndian(0, 4);
    return bmp + std::string(pixelBytes, '\xFF');
}

// The start of a JPEG file up to its frame header: an APP0 segment, then SOF.
std::string JpegHeader(unsigned marker, unsigned width, unsigned height) {
    std::string app0 = std::string("\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18);
    std::string frame = {'\xFF',
                         static_cast<char>(marker),
                         0x00,
                         0x11,
                         0x08,
                         static_cast<char>(height >> 8),
                         static_cast<char>(height),
                         static_cast<char>(width >> 8),
                         static_cast<char>(width),
                         0x03};
    return std::string("\xFF\xD8", 2) + app0 + "\xFF\xFF" + frame.substr(1) + std::string(9, '\x11');
}

TEST(ReadImageSize, FromTheHeaderAlone) {
    struct Case {
        const char* what;
        std::string bytes;
        std::optional<unsigned long> width, height;
    };
    const Case cases[] = {
        {"PNG", MakePng(3, 2, White), 3, 2},
        {"PNG announcing 16384 a side", PngAnnouncing(16384, 16384), 16384, 16384},
        {"PNG announcing 2^32 - 1", PngAnnouncing(0xFFFFFFFFu, 1), 0xFFFFFFFFu, 1},
        {"PNG cut in its header", MakePng(3, 2, White).substr(0, 23), std::nullopt, std::nullopt},
        {"BMP", MakeBmp(5, 3), 5, 3},
        {"BMP stored top down", MakeBmp(5, -3), 5, 3},
        {"BMP cut in its header", MakeBmp(5, 3).substr(0, 25), std::nullopt, std::nullopt},
        {"baseline JPEG", JpegHeader(0xC0, 640, 480), 640, 480},
        {"progressive JPEG", JpegHeader(0xC2, 2000, 10), 2000, 10},
        {"JPEG cut before its frame", JpegHeader(0xC0, 640, 480).substr(0, 24), std::nullopt, std::nullopt},
        {"JPEG without a frame", std::string("\xFF\xD8\xFF\xD9", 4), std::nullopt, std::nullopt},
        {"GIF", "GIF89a\x01\x00\x01\x00", std::nullopt, std::nullopt},
        {"text", "not an image at all", std::nullopt, std::nullopt},
        {"empty", "", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        std::optional<ImageSize> size = ReadImageSize(c.bytes);
        ASSERT_EQ(size.has_value(), c.width.has_value()) << c.what;
        if (!size) continue;
        EXPECT_EQ(size->width, *c.width) << c.what;
        EXPECT_EQ(size->height, *c.height) << c.what;
    }
}

TEST(DecodeIconBytes, RefusesPicturesLargerThan1024PixelsASide) {
    GdiplusSession gdiplus;
    ASSERT_TRUE(gdiplus.ok());
    struct Case {
        const char* what;
        std::string bytes;
        bool decoded;
    };
    const Case cases[] = {
        {"1024 x 1024 PNG", MakePng(1024, 1024, White), true},
        {"1025 x 1 PNG", MakePng(1025, 1, White), false},
        {"1 x 1025 PNG", MakePng(1, 1025, White), false},
        {"PNG announcing 16384 a side", PngAnnouncing(16384, 16384), false},
        {"1024 x 2 BMP", MakeBmp(1024, 2), true},
        {"1025 x 2 BMP", MakeBmp(1025, 2), false},
        {"2 x 1025 BMP stored top down", MakeBmp(2, -1025), false},
    };
    for (const Case& c : cases) {
        BitmapPtr bitmap = DecodeIconBytes(c.bytes);
        EXPECT_EQ(bitmap != nullptr, c.decoded) << c.what;
    }
}

}  // namespace
