#include "shell/toolbar_links.h"

#include "protocol/text.h"
#include "protocol/wire.h"

#include <algorithm>

namespace vantor::shell {

std::optional<ToolbarLinkRecord> decodeToolbarLink(std::string_view body) {
    if (body.size() < ToolbarLinkRecord::kSize) return std::nullopt;
    wire::WireReader r(body);
    ToolbarLinkRecord rec;
    r.skip(4);
    r.text(151, rec.hint);
    r.seek(156);
    r.text(255, rec.link);
    r.seek(412);
    r.u32(rec.kind);
    if (r.truncated()) return std::nullopt;
    return rec;
}

static QString encoded(std::string_view gbk) {
    return QString::fromLatin1(QUrl::toPercentEncoding(QString::fromStdString(protocol::fromGbk(gbk))));
}

QString fillLinkTemplate(std::string_view tmpl, std::string_view account, std::string_view password) {
    const QString text = QString::fromStdString(protocol::fromGbk(tmpl));
    const QString args[] = {encoded(account), encoded(password)};
    QString out;
    qsizetype from = 0;
    for (const QString& arg : args) {
        const qsizetype at = text.indexOf(QLatin1String("%s"), from);
        if (at < 0) break;
        out += text.mid(from, at - from);
        out += arg;
        from = at + 2;
    }
    out += text.mid(from);
    return out;
}

std::optional<QUrl> openableLink(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::TolerantMode);
    if (!url.isValid()) return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto")) return url;
    if ((scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty())
        return url;
    return std::nullopt;
}

bool ToolbarLinks::add(ToolbarLinkRecord record) {
    if (toolbarButtonOf(record.kind) < 0) return false;
    auto it = std::find_if(records_.begin(), records_.end(),
                           [&](const ToolbarLinkRecord& r) { return r.kind == record.kind; });
    if (it != records_.end())
        *it = std::move(record);
    else
        records_.push_back(std::move(record));
    return true;
}

const ToolbarLinkRecord* ToolbarLinks::find(uint32_t kind) const {
    for (const auto& r : records_)
        if (r.kind == kind) return &r;
    return nullptr;
}

int toolbarButtonOf(uint32_t kind) {
    if (kind == 1 || kind == 6) return 0;
    if (kind >= 2 && kind <= 5) return int(kind) - 1;
    return -1;
}

} // namespace vantor::shell
