#include "maphost.h"

namespace {
MapHost* s_host = nullptr;
}

MapHost::~MapHost()
{
    if (s_host == this)
        s_host = nullptr;
}

MapHost* mapHost()
{
    return s_host;
}

void setMapHost(MapHost* host)
{
    s_host = host;
}
