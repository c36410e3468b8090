#include "grouppropertymanager.h"

GroupPropertyManager::GroupPropertyManager(QObject *parent) : AbstractPropertyManager(parent) {}

bool GroupPropertyManager::hasValue(const Property *) const { return false; }
void GroupPropertyManager::initializeProperty(Property *) {}
void GroupPropertyManager::uninitializeProperty(Property *) {}
