#include "maphost.h"

MapHost::~MapHost() = default;
