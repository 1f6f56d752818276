#include "test_org.h"

#include "protocol/text.h"

namespace vantor::testing {

server::Organisation smallOrganisation(uint32_t others) {
    using protocol::toGbk;
    server::Organisation org;
    org.hashIterations = 1;
    org.departments = {{1, 0, toGbk("总部")}, {2, 1, toGbk("研发部")}};
    const char* names[] = {"张三", "李四", "王五", "赵六", "钱七"};
    for (uint32_t i = 0; i < 5; ++i) {
        server::Colleague c;
        c.id = 11 + i;
        c.department = 1 + i % 2;
        c.name = toGbk(names[i]);
        org.colleagues.push_back(c);
        const std::string account(1, char('a' + i));
        org.accounts.push_back({account, c.id, "p" + account});
    }
    for (uint32_t i = 0; i < others; ++i) {
        server::Colleague c;
        c.id = 100 + i;
        c.department = 2;
        c.name = toGbk("同事") + std::to_string(i);
        org.colleagues.push_back(c);
    }
    return org;
}

} // namespace vantor::testing
