// The history viewer over a real message store: paging (100, 101 and 200 records, the last page
// first), a page across midnight, headers and notices, deleting (and sending again), the tree,
// search and export, the borders and the single window.
#include "crypto/cipher.h"
#include "history/message_store.h"
#include "protocol/chat.h"
#include "protocol/datetime.h"
#include "protocol/text.h"
#include "ui/history/history_windows.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace vantor;
using namespace vantor::ui;
using protocol::toGbk;

constexpr int32_t kOwn = 1234;

std::string recordOf(int32_t sender, int32_t receiver, const std::string& utf8, double when, uint8_t kind = 0,
                     uint8_t serviceSide = 0, uint32_t group = 0) {
    protocol::ChatMessage m;
    m.senderId = uint32_t(sender);
    m.recipientId = uint32_t(receiver);
    m.sendTime = when;
    m.fontName = toGbk("宋体");
    m.fontSize = 9;
    m.key.kind = kind;
    m.key.serviceSide = serviceSide;
    m.key.groupId.data1 = group;
    m.text = utf8.empty() ? std::string() : crypto::DesEncryptText(toGbk(utf8));
    m.textLength = uint32_t(m.text.size());
    return m.encodeBody().substr(4);
}

struct FakeDirectory : IHistoryDirectory {
    bool withServices = false;
    std::vector<HistoryPartner> organisation() override {
        HistoryPartner dept{HistoryPartner::Kind::Department, 1, {}, QStringLiteral("研发部"), {}, {}, {}};
        dept.children.push_back({HistoryPartner::Kind::Colleague,
                                 205,
                                 {},
                                 QStringLiteral("李四"),
                                 QStringLiteral("专注"),
                                 {},
                                 {}});
        dept.children.push_back(
            {HistoryPartner::Kind::Colleague, 206, {}, QStringLiteral("王五"), {}, {}, {}});
        return {dept};
    }
    std::vector<HistoryPartner> groups() override {
        wire::Guid g;
        g.data1 = 0x77;
        return {{HistoryPartner::Kind::Group, 0, g, QStringLiteral("项目组"), {}, {}, {}}};
    }
    std::optional<std::vector<HistoryPartner>> services() override {
        if (!withServices) return std::nullopt;
        return std::vector<HistoryPartner>{};
    }
    QString nameOf(uint32_t id) override {
        return id == 205 ? QStringLiteral("李四") : id == uint32_t(kOwn) ? QStringLiteral("我") : QString();
    }
};

struct RecordingServices : IHistoryServices {
    std::vector<QString> questions, errors, alerts, opened;
    bool answer = true;
    std::function<void()> beforeAnswer;
    void confirm(QWidget*, const QString& caption, const QString& text,
                 std::function<void(bool)> done) override {
        questions.push_back(caption + QLatin1Char('|') + text);
        if (beforeAnswer) beforeAnswer();
        done(answer);
    }
    void error(QWidget*, const QString& caption, const QString& text) override {
        errors.push_back(caption + QLatin1Char('|') + text);
    }
    void alert(QWidget*, const QString& text) override { alerts.push_back(text); }
    void openPath(const QString& p) override { opened.push_back(p); }
    void openUrl(const QUrl& u) override { opened.push_back(u.toString()); }
};

class HistoryViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        store_ = {std::filesystem::path(dir_.filePath(QStringLiteral("History")).toStdString()), kOwn, false};
    }
    void TearDown() override { delete form_; }
    void add(int32_t partner, int n, double start = protocol::dayCountFromLocal({2026, 12, 1, 9, 0, 0}),
             double step = 1.0 / 1440) {
        for (int i = 0; i < n; ++i) {
            const bool in = i % 2 == 0;
            ASSERT_TRUE(history::StoreMessageRecord(store_, recordOf(in ? partner : kOwn, in ? kOwn : partner,
                                                                     "第" + std::to_string(i) + "条",
                                                                     start + i * step))
                            .ok());
        }
    }
    THistoryForm& form() {
        if (!form_) {
            HistoryContext ctx;
            ctx.store = store_;
            ctx.directory = &directory_;
            ctx.services = &services_;
            const QString bin = QStringLiteral(VANTOR_BIN_DIR);
            ctx.folders = {bin + "/Face/", bin + "/SysImages/", bin + "/CustomFace/",
                           dir_.filePath("Images/")};
            form_ = new THistoryForm(ctx);
        }
        return *form_;
    }
    // The message lines of the view (headers and date lines left out).
    QStringList texts() {
        QStringList out;
        for (QTextBlock b = form().view()->document()->begin(); b.isValid(); b = b.next())
            if (b.text().startsWith(QStringLiteral("第"))) out << b.text();
        return out;
    }

    QTemporaryDir dir_;
    history::StoreLocation store_;
    FakeDirectory directory_;
    RecordingServices services_;
    THistoryForm* form_ = nullptr;
};

TEST_F(HistoryViewTest, PagesOfAHundredOpenOnTheLastOne) {
    struct Case {
        int records;
        int pages;
        int lastPageFirst, lastPageCount;
    } cases[] = {{100, 1, 0, 100}, {101, 2, 100, 1}, {200, 2, 100, 100}, {1, 1, 0, 1}};
    int32_t partner = 300;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.records);
        ++partner;
        add(partner, c.records);
        form().selectColleague(uint32_t(partner));
        const auto& bar = form().pageBar();
        EXPECT_EQ(bar.pages, c.pages);
        EXPECT_EQ(bar.page, c.pages);
        EXPECT_EQ(form().pageLabel()->text(), QStringLiteral("页/共%1页").arg(c.pages));
        EXPECT_EQ(form().pageBox()->text(), QString::number(c.pages));
        EXPECT_FALSE(bar.next);
        EXPECT_FALSE(bar.last);
        EXPECT_EQ(bar.first, c.pages > 1);
        const QStringList shown = texts();
        ASSERT_EQ(shown.size(), c.lastPageCount);
        EXPECT_EQ(shown.front(), QStringLiteral("第%1条").arg(c.lastPageFirst));
        if (c.pages > 1) {
            form().previousPage();
            EXPECT_EQ(form().pageBar().page, c.pages - 1);
            EXPECT_TRUE(form().pageBar().next);
            EXPECT_EQ(texts().front(), QStringLiteral("第0条"));
            EXPECT_EQ(texts().size(), 100);
            form().previousPage(); // from page 1: page 0 would be the last page
            EXPECT_EQ(form().pageBar().page, 1);
        }
        EXPECT_FALSE(form().showPage(c.pages + 1)) << "a page beyond the last changes nothing";
    }
}

TEST_F(HistoryViewTest, OpensAtTheNewestMessageAndThePageBoxJumpsOnEnter) {
    add(205, 250);
    form().resize(700, 500);
    form().show();
    form().selectColleague(205);
    QApplication::processEvents();
    EXPECT_TRUE(form().view()->textCursor().atEnd());
    QScrollBar* bar = form().view()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum()) << "the newest message in sight";

    struct Case {
        QString typed;
        int page;
        QString firstShown;
    } cases[] = {{"1", 1, "第0条"}, {"2", 2, "第100条"}, {"9", 2, "第100条"}, {"3", 3, "第200条"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        form().pageBox()->setText(c.typed);
        QTest::keyClick(form().pageBox(), Qt::Key_Return);
        EXPECT_EQ(form().pageBar().page, c.page);
        EXPECT_EQ(form().pageBox()->text(), QString::number(c.page)) << "a page that does not exist: back";
        EXPECT_EQ(texts().front(), c.firstShown);
    }
}

TEST_F(HistoryViewTest, DateLinesHeadersAndNotices) {
    const double evening = protocol::dayCountFromLocal({2026, 12, 9, 23, 58, 0});
    add(205, 4, evening, 1.0 / 1440); // 23:58, 23:59, 00:00, 00:01
    ASSERT_TRUE(
        history::StoreNoticeRecord(store_, 205, kOwn,
                                   toGbk("文件 OpenFile_/nowhere/a.txt<打开文件> OpenDir_/nowhere<打开目录>"),
                                   evening + 0.02)
            .ok());
    form().selectColleague(205);
    QStringList dates, headers;
    QColor ownColour, peerColour;
    for (QTextBlock b = form().view()->document()->begin(); b.isValid(); b = b.next()) {
        if (b.text().startsWith(QStringLiteral("以下记录日期："))) {
            dates << b.text();
            EXPECT_EQ(b.begin().fragment().charFormat().foreground().color(), QColor(Qt::red));
        }
        if (b.text().startsWith(QStringLiteral("我 ")))
            ownColour = b.begin().fragment().charFormat().foreground().color();
        if (b.text().startsWith(QStringLiteral("李四 ")))
            peerColour = b.begin().fragment().charFormat().foreground().color();
    }
    EXPECT_EQ(dates, (QStringList{"以下记录日期：2026-12-09", "以下记录日期：2026-12-10"}));
    EXPECT_EQ(ownColour, QColor(0, 128, 0));
    EXPECT_EQ(peerColour, QColor(55, 90, 124));
    EXPECT_EQ(form().windowTitle(), QStringLiteral("李四 的对话记录"));

    const QString all = form().view()->toPlainText();
    EXPECT_FALSE(all.contains(QStringLiteral("OpenFile_"))) << "the notice shows links, not their actions";
    EXPECT_TRUE(all.contains(QStringLiteral("打开目录")));
    const QString link = QStringLiteral("OpenFile_/nowhere/a.txt<打开文件>");
    ASSERT_TRUE(form().view()->hasLink(link));
    form().view()->onLink(link);
    EXPECT_EQ(services_.alerts, std::vector<QString>{QStringLiteral("无法打开此文件，文件已经删除或转移。")});
    EXPECT_FALSE(form().view()->hasLink(link));

    // An unknown sender shows as its id; a record with no text shows only its header; a service
    // agent's message is headed "客服人员".
    ASSERT_TRUE(history::StoreMessageRecord(store_, recordOf(207, kOwn, "", evening)).ok());
    form().selectColleague(207);
    EXPECT_EQ(form().view()->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts),
              (QStringList{"以下记录日期：2026-12-09", "207 23:58:00"}));
    ASSERT_TRUE(history::StoreMessageRecord(store_, recordOf(208, 0, "您好", evening, 2, 1, 0x99)).ok());
    wire::Guid service;
    service.data1 = 0x99;
    form().selectGroup(service, true);
    EXPECT_TRUE(form().view()->toPlainText().contains(QStringLiteral("客服人员 23:58:00")));
}

// Only the notices the client stored itself show file links. A colleague's message with the same
// text, also one whose head carries the notice mark in the bytes it sent, is shown as text.
TEST_F(HistoryViewTest, OnlyTheClientsOwnNoticesCarryFileLinks) {
    const std::string looksLikeANotice = "看 OpenFile_/etc/passwd<打开文件> OpenDir_/home<打开目录>";
    std::string forged = recordOf(205, kOwn, looksLikeANotice, 46000.3);
    forged.replace(history::kNoticeMarkOffset, history::kNoticeMark.size(), history::kNoticeMark);
    ASSERT_TRUE(history::IsOwnNotice(forged));
    ASSERT_TRUE(history::StoreMessageRecord(store_, recordOf(205, kOwn, looksLikeANotice, 46000.1)).ok());
    ASSERT_TRUE(history::StoreMessageRecord(store_, forged).ok());
    ASSERT_TRUE(history::StoreNoticeRecord(store_, 205, kOwn, toGbk(looksLikeANotice), 46000.5).ok());

    const history::HistoryPage page = history::ReadHistoryPage(store_, "205", 0);
    ASSERT_EQ(page.records.size(), 3u);
    EXPECT_FALSE(history::IsOwnNotice(page.records[0].head));
    EXPECT_FALSE(history::IsOwnNotice(page.records[1].head)) << "the store clears a chat record's mark";
    EXPECT_TRUE(history::IsOwnNotice(page.records[2].head));

    form().selectColleague(205);
    const QString link = QStringLiteral("OpenFile_/etc/passwd<打开文件>");
    int anchors = 0, linkTextsShownAsText = 0;
    for (QTextBlock b = form().view()->document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isAnchor()) ++anchors;
        if (b.text().contains(link)) ++linkTextsShownAsText;
    }
    EXPECT_EQ(anchors, 2) << "the two links of the one real notice";
    EXPECT_EQ(linkTextsShownAsText, 2) << "both chat records show their text as written";
    ASSERT_TRUE(form().view()->hasLink(link));
}

TEST_F(HistoryViewTest, DeleteAsksThenStartsAgainAtPageOne) {
    add(205, 150);
    form().selectColleague(205);
    services_.answer = false;
    form().deleteConversation();
    ASSERT_EQ(services_.questions.size(), 1u);
    EXPECT_EQ(services_.questions[0], QStringLiteral("确认删除|确定要删除与 李四 对话的历史记录吗？"));
    EXPECT_EQ(form().pageBar().pages, 2) << "cancel keeps the history";

    services_.answer = true;
    form().deleteConversation();
    EXPECT_TRUE(form().view()->document()->isEmpty());
    EXPECT_FALSE(form().pageBar().first || form().pageBar().last);
    EXPECT_EQ(form().pageLabel()->text(), QStringLiteral("页"));

    add(205, 1);
    form().lastPage();
    EXPECT_EQ(form().pageBar().pages, 1);
    EXPECT_EQ(texts(), QStringList{QStringLiteral("第0条")});

    // The store cannot be changed after the question: the error, and nothing else.
    services_.beforeAnswer = [&] {
        QFile::remove(QString::fromStdString((store_.historyFolder / history::kStoreFileName).string()));
        std::ofstream(store_.historyFolder / history::kStoreFileName) << "something else entirely";
    };
    form().deleteConversation();
    EXPECT_EQ(services_.errors, std::vector<QString>{QStringLiteral("错误|未能删除历史记录！")});
}

TEST_F(HistoryViewTest, TreeRootsAndPartnerSelection) {
    for (bool services : {false, true}) {
        directory_.withServices = services;
        delete form_;
        form_ = nullptr;
        QStringList roots;
        for (int i = 0; i < form().tree()->topLevelItemCount(); ++i)
            roots << form().tree()->topLevelItem(i)->text(0);
        EXPECT_EQ(roots.contains(QStringLiteral("客服中心")), services);
        EXPECT_EQ(roots.mid(0, 2), (QStringList{"研发部", "讨论组（群）"}));
        EXPECT_FALSE(form().tree()->topLevelItem(0)->isExpanded()) << "the first item starts collapsed";
        EXPECT_TRUE(form().tree()->topLevelItem(1)->isExpanded());
        EXPECT_FALSE(form().deleteButton()->isVisibleTo(&form())) << "no partner: no delete";
    }
    QTreeWidgetItem* dept = form().tree()->topLevelItem(0);
    emit form().tree()->itemClicked(dept, 0);
    EXPECT_TRUE(dept->isExpanded()) << "a click toggles a department";
    emit form().tree()->itemClicked(dept->child(0), 0);
    EXPECT_EQ(form().selection().partner, 205);
    EXPECT_TRUE(form().deleteButton()->isVisibleTo(&form()));
    emit form().tree()->itemClicked(form().tree()->topLevelItem(1)->child(0), 0);
    EXPECT_EQ(form().selection().partner, HistorySelection::kGroup);
    EXPECT_EQ(form().selection().guid.data1, 0x77u);
}

TEST_F(HistoryViewTest, SearchJumpsToThePageOfAHitAndExportWritesFaces) {
    add(205, 250);
    ASSERT_TRUE(history::StoreMessageRecord(store_, recordOf(205, kOwn, "预算 /~lhan", 46000.5)).ok());
    add(206, 3);
    form().selectColleague(206);
    form().findChild<QLineEdit*>(QStringLiteral("Edit_Search"))->setText(QStringLiteral("第120条"));
    auto hits = form().search(QStringLiteral("第120条"), true);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].key, "205");
    EXPECT_EQ(form().hitList()->count(), 1);
    form().showHit(hits[0]);
    EXPECT_EQ(form().selection().partner, 205);
    EXPECT_EQ(form().pageBar().page, 2);
    EXPECT_EQ(form().view()->textCursor().selectedText(), QStringLiteral("第120条"));

    EXPECT_TRUE(form().search(QStringLiteral("没有这句话"), false).empty());

    // From the search bar the search runs in steps on the event loop.
    QSignalSpy finished(&form(), &THistoryForm::searchFinished);
    form().findChild<QLineEdit*>(QStringLiteral("Edit_Search"))->setText(QStringLiteral("条"));
    emit form().findChild<QLineEdit*>(QStringLiteral("Edit_Search"))->returnPressed();
    EXPECT_TRUE(form().searching());
    EXPECT_TRUE(finished.wait(5000));
    EXPECT_EQ(finished.at(0).at(0).toInt(), 250) << "every numbered record of the colleague shown";
    EXPECT_FALSE(form().searching());

    const QString html = dir_.filePath(QStringLiteral("out.html"));
    ASSERT_TRUE(form().exportTo(html));
    QFile f(html);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(page.contains(QStringLiteral("预算 [冷汗]")));
    EXPECT_TRUE(page.contains(QStringLiteral("李四 的对话记录")));
}

TEST_F(HistoryViewTest, BordersMinimumSizeAndTheSingleWindow) {
    const QSize size(700, 600);
    struct Case {
        QPoint at;
        Qt::Edges edges;
    } cases[] = {
        {{3, 300}, Qt::LeftEdge},
        {{696, 300}, Qt::RightEdge},
        {{300, 2}, Qt::TopEdge},
        {{300, 6}, {}},
        {{300, 595}, Qt::BottomEdge},
        {{690, 590}, Qt::RightEdge | Qt::BottomEdge},
        {{2, 2}, Qt::LeftEdge | Qt::TopEdge},
        {{300, 300}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(historyview::resizeEdgesAt(c.at, size), c.edges) << c.at.x() << "," << c.at.y();
    EXPECT_EQ(form().minimumSize(), QSize(600, 500));
    EXPECT_TRUE(form().windowFlags() & Qt::FramelessWindowHint);

    HistoryWindows windows([&]() -> std::optional<HistoryContext> {
        HistoryContext ctx;
        ctx.store = store_;
        ctx.directory = &directory_;
        ctx.services = &services_;
        return ctx;
    });
    windows.openHistoryOf(uint32_t(kOwn));
    EXPECT_EQ(windows.window(), nullptr) << "not for the own user";
    windows.openHistoryOf(205);
    QPointer<THistoryForm> first = windows.window();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->selection().partner, 205);
    windows.openHistoryOf(206);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first) << "the open window closes";
    EXPECT_EQ(windows.window()->selection().partner, 206);
    windows.openHistoryOf(0);
    EXPECT_EQ(windows.window()->selection().partner, 206) << "0 raises the open window";
}

} // namespace
