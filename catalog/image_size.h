// An image's size read from its header, without decoding anything: a small
// file can announce a picture of a gigabyte.
#pragma once

#include <optional>
#include <string>

struct ImageSize {
    unsigned long width = 0;
    unsigned long height = 0;
};

// PNG, JPEG and BMP headers; nothing for any other format or a cut header.
std::optional<ImageSize> ReadImageSize(const std::string& bytes);
