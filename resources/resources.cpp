#include "resources.h"

#include <QtGlobal>

void initLumetraResources()
{
    Q_INIT_RESOURCE(icons);
}
