#include "gatewaysetuphost.h"

GatewaySetupHost::~GatewaySetupHost() = default;
