// The colleague picker's ticking: clicks propagate down and up the tree, the chosen list follows
// the tree order, and pre-ticking a group's members goes by user id, never by a namesake's text.
#include "groups/user_picker.h"
#include "protocol/text.h"

#include <gtest/gtest.h>

namespace vantor::groups {
namespace {

// 总部 ─┬ 研发部 ─┬ 张伟 1001
//       │         └ 王芳 1002
//       └ 市场部 ─┬ 张伟 1030 (a namesake)
//                 └ 李娜 1003
struct Org {
    PickerTree t;
    int hq, rd, zhang, wang, market, namesake, li;
    Org() {
        using protocol::toGbk;
        hq = t.addNode(-1, toGbk("总部"));
        rd = t.addNode(hq, toGbk("研发部"));
        zhang = t.addNode(rd, toGbk("张伟"), 1001);
        wang = t.addNode(rd, toGbk("王芳"), 1002);
        market = t.addNode(hq, toGbk("市场部"));
        namesake = t.addNode(market, toGbk("张伟"), 1030);
        li = t.addNode(market, toGbk("李娜"), 1003);
    }
};

TEST(UserPicker, ClicksPropagateDownAndUp) {
    enum Node { Hq, Rd, Zhang, Wang, Market, Namesake, Li };
    const struct {
        const char* what;
        std::vector<Node> clicks;
        std::vector<uint32_t> chosen;
        std::vector<Node> tickedDepartments;
    } cases[] = {
        {"one person", {Zhang}, {1001}, {}},
        {"the last child ticks its department", {Zhang, Wang}, {1001, 1002}, {Rd}},
        {"a department ticks its people", {Rd}, {1001, 1002}, {Rd}},
        {"the root ticks everything", {Hq}, {1001, 1002, 1030, 1003}, {Hq, Rd, Market}},
        {"unticking a person unticks its ancestors only", {Hq, Wang}, {1001, 1030, 1003}, {Market}},
        {"two departments tick their parent", {Rd, Market}, {1001, 1002, 1030, 1003}, {Hq, Rd, Market}},
        {"a second click unticks", {Rd, Rd}, {}, {}},
        {"unticking a department unticks its people", {Hq, Market}, {1001, 1002}, {Rd}},
    };
    for (const auto& c : cases) {
        Org o;
        const int node[] = {o.hq, o.rd, o.zhang, o.wang, o.market, o.namesake, o.li};
        for (Node n : c.clicks)
            o.t.toggle(node[n]);
        EXPECT_EQ(o.t.chosenIds(), c.chosen) << c.what;
        EXPECT_EQ(o.t.chosenCount(), c.chosen.size()) << c.what;
        std::vector<Node> departments;
        for (Node n : {Hq, Rd, Market})
            if (o.t.ticked(node[n])) departments.push_back(n);
        EXPECT_EQ(departments, c.tickedDepartments) << c.what;
    }
}

TEST(UserPicker, PreTickingGoesByUserIdNotByName) {
    const struct {
        const char* what;
        std::vector<uint32_t> members;
        std::vector<uint32_t> chosen;
        bool rdTicked;
    } cases[] = {
        {"a name shared with a colleague elsewhere", {1001}, {1001}, false},
        {"a whole department", {1001, 1002}, {1001, 1002}, true},
        {"a member outside the tree", {4242}, {}, false},
    };
    for (const auto& c : cases) {
        Org o;
        o.t.preTick(c.members);
        EXPECT_EQ(o.t.chosenIds(), c.chosen) << c.what;
        EXPECT_FALSE(o.t.ticked(o.namesake)) << c.what;
        EXPECT_EQ(o.t.ticked(o.rd), c.rdTicked) << c.what;
    }
    // The chosen list shows names, the own user left out of the ids on request; switching the
    // fill mode clears everything.
    Org o;
    o.t.toggle(o.rd);
    EXPECT_EQ(o.t.chosen().front().name, protocol::toGbk("张伟"));
    EXPECT_EQ(o.t.chosenIds(1001), std::vector<uint32_t>{1002});
    o.t.clearTicks();
    EXPECT_EQ(o.t.chosenCount(), 0u);
}

} // namespace
} // namespace vantor::groups
