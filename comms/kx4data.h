#pragma once

#include <QMetaType>
#include <QVector>

#include <array>

// One 32-byte device status record, as a block of a controller's register image.
using DeviceData = QVector<unsigned char>;

// A controller's whole register image: 64 records of 32 bytes, element N the
// record of device N. Passed by value; the vectors are implicitly shared.
using KX4Data = QVector<DeviceData>;

namespace Kx4Image {
constexpr int kBlockSize = 32;
constexpr int kBlockCount = 64;
constexpr int kImageSize = kBlockSize * kBlockCount;
// A whole image as bytes, block N at N * kBlockSize.
using Raw = std::array<unsigned char, kImageSize>;

// Copies one block of a raw image into a record.
DeviceData block(const unsigned char* image, int blockNo);
// Copies a whole raw image of kImageSize bytes, block by block in ascending order.
KX4Data toKX4Data(const unsigned char* image);
}
