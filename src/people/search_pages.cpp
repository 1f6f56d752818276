#include "people/search_pages.h"

namespace vantor::people {

int searchStatusIcon(uint8_t status) {
    switch (status) {
    case 0:
    case 10:
        return 1;
    case 1:
    case 2:
    case 4:
        return 3;
    case 3:
    case 5:
    case 6:
        return 2;
    case 7:
        return 5;
    default:
        return 0;
    }
}

} // namespace vantor::people
