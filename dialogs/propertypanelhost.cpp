#include "propertypanelhost.h"

namespace {
PropertyPanelHost* s_host = nullptr;
}

void setPropertyPanelHost(PropertyPanelHost* host)
{
    s_host = host;
}

PropertyPanelHost* propertyPanelHost()
{
    return s_host;
}
