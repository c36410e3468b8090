#pragma once

#include <QMetaType>

// Marker type of the file-path rows of a VariantManager: only its meta-type
// id is used, as the property type id of those rows.
struct FilePathPropertyType
{
};

Q_DECLARE_METATYPE(FilePathPropertyType)
