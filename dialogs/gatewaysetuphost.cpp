#include "gatewaysetuphost.h"

namespace {
GatewaySetupHost* s_host = nullptr;
}

GatewaySetupHost::~GatewaySetupHost()
{
    if (s_host == this)
        s_host = nullptr;
}

GatewaySetupHost* gatewaySetupHost()
{
    return s_host;
}

void setGatewaySetupHost(GatewaySetupHost* host)
{
    s_host = host;
}
