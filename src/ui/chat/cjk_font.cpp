#include "ui/chat/cjk_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace vantor::ui::chatfont {

QString cjkFamily() {
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const char* name :
             {"Noto Sans CJK SC", "Noto Sans SC", "WenQuanYi Micro Hei", "Noto Serif CJK SC"})
            if (families.contains(QLatin1String(name))) return QString::fromLatin1(name);
        for (const QString& f : families)
            if (QFontDatabase::writingSystems(f).contains(QFontDatabase::SimplifiedChinese)) return f;
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

QString familyFor(const QString& faceName) {
    if (faceName.isEmpty() || faceName == QStringLiteral("宋体") || faceName == QStringLiteral("微软雅黑") ||
        faceName == QStringLiteral("新宋体") || faceName == QStringLiteral("黑体"))
        return cjkFamily();
    if (QFontDatabase::families().contains(faceName)) return faceName;
    return cjkFamily();
}

QFont systemFont() {
    QFont f(cjkFamily());
    f.setPointSize(9);
    return f;
}

} // namespace vantor::ui::chatfont
