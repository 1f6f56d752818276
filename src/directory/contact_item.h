// What a contact row of the frequent and recent lists shows, by role of SectionedListModel.
#pragma once

#include "directory/directory.h"

#include <QVariant>

namespace vantor::directory {

QVariant contactItemData(const User& user, int role, bool bigIcons);

} // namespace vantor::directory
