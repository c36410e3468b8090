#include "graphicsimage.h"

GraphicsImage::GraphicsImage()
{
    setFlags(ItemIsSelectable | ItemSendsGeometryChanges);
}
