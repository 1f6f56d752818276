#include "ui/kit/fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QRawFont>

namespace vantor::ui {

namespace {
const QStringList kSans{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                        QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Zen Hei"),
                        QStringLiteral("Noto Sans SC")};
const QStringList kSerif{QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Source Han Serif SC"),
                         QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif SC")};

QString firstInstalled(const QStringList& candidates) {
    const QStringList families = QFontDatabase::families();
    for (const QString& c : candidates)
        if (families.contains(c, Qt::CaseInsensitive)) return c;
    return {};
}
} // namespace

QString cjkFamily(const QString& face) {
    static const QString sans = firstInstalled(kSans);
    static const QString serif = firstInstalled(kSerif);
    if (face == kYaHei) return sans.isEmpty() ? serif : sans;
    // The serif face falls back on the sans one: a Chinese glyph in another style beats a box.
    if (face == kSongTi) return serif.isEmpty() ? sans : serif;
    return face;
}

QFont textFont(int pixelSize) {
    QFont f(cjkFamily(kYaHei));
    f.setPixelSize(pixelSize);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

void installFonts() {
    for (const QString& face : {kYaHei, kSongTi}) {
        const QString family = cjkFamily(face);
        if (!family.isEmpty() && family != face) QFont::insertSubstitution(face, family);
    }
    QApplication::setFont(textFont(12));
}

QString messageFamily(const QString& faceName) {
    static const QStringList serifFaces{kSongTi, QStringLiteral("新宋体")};
    const QString text = cjkFamily(kYaHei);
    if (serifFaces.contains(faceName)) return cjkFamily(kSongTi);
    if (faceName.isEmpty() || faceName == kYaHei || faceName == QStringLiteral("黑体")) return text;
    // Asked for every message shown: the installed families are listed once.
    static const QStringList installed = QFontDatabase::families();
    if (installed.contains(faceName)) return faceName;
    return text;
}

QFont systemLineFont() {
    QFont f(cjkFamily(kYaHei));
    f.setPointSize(9);
    return f;
}

bool rendersText(const QFont& font, const QString& text) {
    const QRawFont raw = QRawFont::fromFont(font, QFontDatabase::SimplifiedChinese);
    if (!raw.isValid()) return false;
    for (const QChar c : text)
        if (!c.isSpace() && !raw.supportsCharacter(c)) return false;
    return true;
}

} // namespace vantor::ui
