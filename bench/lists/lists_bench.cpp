// The frequent-contacts list with 10 000 contacts in 200 sections, drawn by TUserListBox and, in
// the same run, by a plain QTreeView (with the old delegate's row heights) over the same model:
// the fill, a presence storm of 1 000 changes a second, scrolling page by page; the UI thread's
// longest turn and the memory each view adds. Run offscreen: QT_QPA_PLATFORM=offscreen.
#include "../../tests/directory/fakes.h"
#include "ui/lists/user_list_box.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>

using namespace vantor;
using namespace vantor::directory::test;

namespace {

constexpr uint32_t kContacts = 10000;
constexpr uint32_t kSections = 200;

long rssKb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * 4;
}

double ms(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

void load(Harness& h) {
    h.signIn();
    std::vector<protocol::ContactGroup> groups;
    for (uint32_t s = 1; s <= kSections; ++s)
        groups.push_back({s, g("部门") + std::to_string(s)});
    std::vector<protocol::ContactLink> links;
    for (uint32_t i = 0; i < kContacts; ++i) {
        const uint32_t id = 1000 + i;
        auto u = user(id, 10, "同事", uint8_t(i % 3 == 0 ? 8 : i % 7));
        u.signature = g("签名文字");
        h.feed(userItem(u));
        links.push_back({id, 1 + i % kSections});
    }
    h.feed(contactGroups(groups));
    h.feed(contactLinks(links));
}

// What the tree view baseline draws per row: the heights of the old list delegate.
class Rows : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        QSize s = QStyledItemDelegate::sizeHint(o, i);
        s.setHeight(i.parent().isValid() ? 51 : 24);
        return s;
    }
};

struct Result {
    double fill = 0, fillPaint = 0, stormTotal = 0, stormLongest = 0, pageMean = 0, pageLongest = 0;
    long memoryKb = 0;
};

// Runs the three measurements with `view` shown over the frequent model of `h`.
template <class View>
Result measure(Harness& h, View* view, const std::function<void()>& afterFill, QAbstractScrollArea* area,
               int stormTurns) {
    Result r;
    const long before = rssKb();
    QElapsedTimer t;
    t.start();
    h.core.frequent().Fill(true);
    afterFill();
    r.fill = ms(t);
    t.restart();
    (void)area->viewport()->grab();
    r.fillPaint = ms(t);
    r.memoryKb = rssKb() - before;
    if (qEnvironmentVariableIsSet("BENCH_TRACE")) std::fprintf(stderr, "filled %.1f ms\n", r.fill);

    // 1 000 changes a second: one UI turn handles the 16 that arrive in a 16 ms frame, then paints.
    std::mt19937 rng(7);
    QElapsedTimer total;
    total.start();
    for (int turn = 0; turn < stormTurns; ++turn) {
        t.restart();
        for (int k = 0; k < 16; ++k) {
            const uint32_t id = 1000 + rng() % kContacts;
            h.feed(statusMessage(id, uint8_t(rng() % 2 ? 8 : rng() % 8)));
        }
        QApplication::processEvents();
        (void)area->viewport()->grab();
        r.stormLongest = std::max(r.stormLongest, ms(t));
        if (qEnvironmentVariableIsSet("BENCH_TRACE")) std::fprintf(stderr, "turn %d %.1f ms\n", turn, ms(t));
    }
    r.stormTotal = ms(total) / stormTurns; // per turn of 16 changes

    QScrollBar* bar = area->verticalScrollBar();
    bar->setValue(0);
    const int pages = 200;
    double sum = 0;
    for (int p = 0; p < pages; ++p) {
        t.restart();
        bar->setValue(bar->value() + bar->pageStep());
        (void)area->viewport()->grab();
        const double one = ms(t);
        sum += one;
        r.pageLongest = std::max(r.pageLongest, one);
    }
    r.pageMean = sum / pages;
    (void)view;
    return r;
}

void print(const char* name, const Result& r) {
    std::fflush(stdout);
    std::printf("%-28s fill %8.1f ms  first paint %6.2f ms  memory %+7ld KiB  storm turn %7.2f ms (longest "
                "%8.2f ms)  "
                "page %6.3f ms (longest %6.2f ms)\n",
                name, r.fill, r.fillPaint, r.memoryKb, r.stormTotal, r.stormLongest, r.pageMean,
                r.pageLongest);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    for (int round = 0; round < rounds; ++round) {
        {
            Harness h;
            QElapsedTimer lt;
            lt.start();
            load(h);
            std::fprintf(stderr, "load %.0f ms\n", ms(lt));
            auto* box = new ui::TUserListBox(QStringLiteral("UserListFrequent"), QString());
            box->resize(260, 600);
            if (!qEnvironmentVariableIsSet("BENCH_NOVIEW")) box->setModel(&h.core.frequent());
            box->show();
            // Every section open, as the baseline shows them.
            const Result r = measure(
                h, box,
                [&] {
                    for (int s = 0; s < box->list().sectionCount(); ++s)
                        box->list().setExpanded(s, true);
                },
                box, 1000 / 16);
            print("TUserListBox", r);
            delete box;
        }
        {
            Harness h;
            load(h);
            auto* tree = new QTreeView;
            tree->setHeaderHidden(true);
            tree->setItemDelegate(new Rows(tree));
            tree->resize(260, 600);
            tree->setModel(&h.core.frequent());
            tree->show();
            // A few turns only: each one lays out every row again.
            const Result r = measure(
                h, tree, [&] { tree->expandAll(); }, tree, 3);
            print("QTreeView (plain)", r);
            delete tree;
        }
    }
    return 0;
}
