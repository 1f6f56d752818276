// The history viewer's search and export.
#include "history/history_export.h"
#include "protocol/datetime.h"
#include "protocol/text.h"
#include "ui/history/history_form.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

#include "protocol/chat.h"
#include <fstream>

namespace vantor::ui {

namespace {

constexpr size_t kMaxHits = 500;
// About 10 ms of reading and deciphering per step.
constexpr uint64_t kEntriesPerStep = 10000;

QString fromGbk(std::string_view s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

std::string toGbk(const QString& s) {
    return protocol::toGbk(s.toStdString());
}

} // namespace

void THistoryForm::startSearch(const QString& text, bool all) {
    lastHits_.clear();
    hits_->clear();
    hits_->setVisible(true);
    std::optional<std::string> key;
    if (!all && selection_.partner != HistorySelection::kNone) key = selection_.key();
    searcher_ = std::make_unique<history::HistorySearcher>(ctx_.store, key, toGbk(text));
    searchTimer_->start();
}

bool THistoryForm::searchStep() {
    if (!searcher_) return false;
    const size_t before = lastHits_.size();
    const bool more = searcher_->step(kEntriesPerStep, [&](const history::SearchHit& h) {
        lastHits_.push_back(h);
        return lastHits_.size() < kMaxHits;
    });
    for (size_t i = before; i < lastHits_.size(); ++i) {
        const history::SearchHit& h = lastHits_[i];
        protocol::ChatMessage m;
        if (!protocol::ChatMessage::decodeHead(h.record.head, m)) continue;
        const auto t = protocol::localFromDayCount(m.sendTime);
        const uint32_t sender = m.senderId;
        QString who = ctx_.directory->nameOf(sender);
        if (who.isEmpty()) who = QString::number(int32_t(sender));
        hits_->addItem(QStringLiteral("%1 %2-%3-%4 %5：%6")
                           .arg(who)
                           .arg(t.year)
                           .arg(t.month, 2, 10, QLatin1Char('0'))
                           .arg(t.day, 2, 10, QLatin1Char('0'))
                           .arg(QStringLiteral("%1:%2")
                                    .arg(t.hour, 2, 10, QLatin1Char('0'))
                                    .arg(t.minute, 2, 10, QLatin1Char('0')))
                           .arg(fromGbk(historyview::readableText(h.text)).left(60)));
    }
    if (more) return true;
    searchTimer_->stop();
    searcher_.reset();
    if (lastHits_.empty()) hits_->addItem(QStringLiteral("没有找到相关的记录。"));
    emit searchFinished(int(lastHits_.size()));
    return false;
}

std::vector<history::SearchHit> THistoryForm::search(const QString& text, bool all) {
    startSearch(text, all);
    while (searchStep()) {
    }
    return lastHits_;
}

void THistoryForm::showHit(const history::SearchHit& hit) {
    protocol::ChatMessage m;
    if (!protocol::ChatMessage::decodeHead(hit.record.head, m)) return;
    if (hit.key.size() == 30)
        selectGroup(m.key.groupId, m.key.kind == protocol::kServiceConversation);
    else
        selectColleague(uint32_t(std::stol(hit.key)));
    showPage(hit.page);
    // The match: the n-th occurrence of its text on the page, n counted over the earlier hits.
    const QString needle = searchBox_->text();
    if (needle.isEmpty()) return;
    int skip = 0;
    for (const auto& h : lastHits_)
        if (h.key == hit.key && h.page == hit.page && h.index < hit.index) ++skip;
    QTextCursor c(view_->document());
    for (int i = 0; i <= skip; ++i) {
        const QTextCursor found = view_->document()->find(needle, c);
        if (found.isNull()) break;
        c = found;
    }
    if (c.hasSelection()) {
        view_->setTextCursor(c);
        view_->ensureCursorVisible();
    }
}

bool THistoryForm::exportTo(const QString& path) {
    if (selection_.partner == HistorySelection::kNone || path.isEmpty()) return false;
    std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    history::ExportOptions options;
    options.nameOf = [this](int32_t id) { return toGbk(ctx_.directory->nameOf(uint32_t(id))); };
    options.filter = [](std::string_view plain) { return historyview::readableText(plain); };
    options.title = toGbk(selection_.name + QStringLiteral(" 的对话记录"));
    const bool html = path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) ||
                      path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive);
    const auto stats = history::ExportConversation(
        ctx_.store, selection_.key(), html ? history::ExportFormat::Html : history::ExportFormat::Text, out,
        options);
    out.close();
    return stats.status.ok() && out.good();
}

} // namespace vantor::ui
