#include "catalog/image_size.h"

#include <cstdint>

namespace {

constexpr unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr size_t kPngHeaderEnd = 24;       // signature, IHDR length and name, width, height
constexpr size_t kBmpCoreHeaderSize = 12;  // BITMAPCOREHEADER: 16-bit sizes
constexpr size_t kBmpInfoHeaderSize = 40;  // BITMAPINFOHEADER and its successors: signed 32-bit sizes

unsigned Byte(const std::string& bytes, size_t at) { return static_cast<unsigned char>(bytes[at]); }

unsigned long BigEndian(const std::string& bytes, size_t at, int count) {
    unsigned long value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | Byte(bytes, at + static_cast<size_t>(i));
    return value;
}

unsigned long LittleEndian(const std::string& bytes, size_t at, int count) {
    unsigned long value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | Byte(bytes, at + static_cast<size_t>(i));
    return value;
}

// A signed 32-bit size: a negative BMP height means rows stored top down.
unsigned long Magnitude(unsigned long bits) {
    const long long value = static_cast<int32_t>(static_cast<uint32_t>(bits));
    return static_cast<unsigned long>(value < 0 ? -value : value);
}

std::optional<ImageSize> PngSize(const std::string& bytes) {
    if (bytes.size() < kPngHeaderEnd) return std::nullopt;
    for (size_t i = 0; i < sizeof(kPngSignature); ++i) {
        if (Byte(bytes, i) != kPngSignature[i]) return std::nullopt;
    }
    if (bytes.compare(12, 4, "IHDR") != 0) return std::nullopt;
    return ImageSize{BigEndian(bytes, 16, 4), BigEndian(bytes, 20, 4)};
}

// The first frame header; segments before it are skipped by their length.
std::optional<ImageSize> JpegSize(const std::string& bytes) {
    if (bytes.size() < 4 || Byte(bytes, 0) != 0xFF || Byte(bytes, 1) != 0xD8) return std::nullopt;
    size_t at = 2;
    for (;;) {
        while (at < bytes.size() && Byte(bytes, at) == 0xFF) ++at;  // fill bytes and the marker's own
        if (at >= bytes.size()) return std::nullopt;
        const unsigned marker = Byte(bytes, at++);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length follows
        if (marker == 0xD9 || marker == 0xDA || at + 2 > bytes.size()) return std::nullopt;
        const size_t length = BigEndian(bytes, at, 2);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 7 || at + 7 > bytes.size()) return std::nullopt;
            return ImageSize{BigEndian(bytes, at + 5, 2), BigEndian(bytes, at + 3, 2)};
        }
        if (length < 2) return std::nullopt;
        at += length;
    }
}

std::optional<ImageSize> BmpSize(const std::string& bytes) {
    if (bytes.size() < 26 || bytes.compare(0, 2, "BM") != 0) return std::nullopt;
    const unsigned long headerSize = LittleEndian(bytes, 14, 4);
    if (headerSize == kBmpCoreHeaderSize) return ImageSize{LittleEndian(bytes, 18, 2), LittleEndian(bytes, 20, 2)};
    if (headerSize < kBmpInfoHeaderSize) return std::nullopt;
    return ImageSize{Magnitude(LittleEndian(bytes, 18, 4)), Magnitude(LittleEndian(bytes, 22, 4))};
}

}  // namespace

std::optional<ImageSize> ReadImageSize(const std::string& bytes) {
    if (std::optional<ImageSize> size = PngSize(bytes)) return size;
    if (std::optional<ImageSize> size = JpegSize(bytes)) return size;
    return BmpSize(bytes);
}
