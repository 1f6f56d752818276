#include "groups/group_fanout.h"

#include <QUuid>

#include <algorithm>

namespace vantor::groups {

protocol::Guid newGroupGuid() {
    // QUuid's fields are the GUID's fields; the wire layer writes them in the Windows order.
    const QUuid u = QUuid::createUuid();
    protocol::Guid g;
    g.data1 = u.data1;
    g.data2 = u.data2;
    g.data3 = u.data3;
    std::copy(std::begin(u.data4), std::end(u.data4), g.data4.begin());
    return g;
}

} // namespace vantor::groups
