// The rows of the organisation tree, shared by the files of TreeModel.
#pragma once

#include "directory/tree_model.h"

namespace vantor::directory {

struct TreeModel::Node {
    int kind = DepartmentItem;
    SortKey key;
    Node* parent = nullptr;
    std::unique_ptr<Children> kids; // containers only
    const User* user = nullptr;
    const Department* department = nullptr;
    int online = 0;     // users: 1 when counted as online; containers: the online count below
    int stateIndex = 0; // users: kept through status codes without a name
    int total = 0;      // containers: the users below
};

} // namespace vantor::directory
