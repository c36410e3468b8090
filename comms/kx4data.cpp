#include "kx4data.h"

#include <cstring>

namespace Kx4Image {

DeviceData block(const unsigned char* image, int blockNo)
{
    DeviceData record(kBlockSize);
    std::memcpy(record.data(), image + blockNo * kBlockSize, kBlockSize);
    return record;
}

KX4Data toKX4Data(const unsigned char* image)
{
    KX4Data data;
    data.reserve(kBlockCount);
    for (int blockNo = 0; blockNo < kBlockCount; ++blockNo)
        data.append(block(image, blockNo));
    return data;
}

}
