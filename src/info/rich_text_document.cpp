#include "info/rich_text_document.h"

#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>

namespace vantor::info {

void fillDocument(QTextDocument& doc, const protocol::RtfDocument& rtf) {
    doc.clear();
    QTextCursor c(&doc);
    for (size_t i = 0; i < rtf.paragraphs.size(); ++i) {
        if (i) c.insertBlock();
        for (const auto& r : rtf.paragraphs[i].runs) {
            QTextCharFormat f;
            f.setFontWeight(r.bold ? QFont::Bold : QFont::Normal);
            f.setFontItalic(r.italic);
            f.setFontUnderline(r.underline);
            if (r.halfPoints > 0) f.setFontPointSize(r.halfPoints / 2.0);
            if (r.hasColour) f.setForeground(QColor(QRgb(r.colour)));
            if (!r.font.empty()) f.setFontFamilies({QString::fromStdString(r.font)});
            QString text = QString::fromStdString(r.text);
            text.replace(QLatin1Char('\n'), QChar::LineSeparator);
            c.insertText(text, f);
        }
    }
}

protocol::RtfDocument fromDocument(const QTextDocument& doc) {
    protocol::RtfDocument out;
    for (QTextBlock b = doc.begin(); b != doc.end(); b = b.next()) {
        protocol::RtfParagraph p;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (!frag.isValid()) continue;
            const QTextCharFormat f = frag.charFormat();
            protocol::RtfRun r;
            QString text = frag.text();
            text.replace(QChar::LineSeparator, QLatin1Char('\n'));
            r.text = text.toStdString();
            r.bold = f.fontWeight() >= QFont::Bold;
            r.italic = f.fontItalic();
            r.underline = f.fontUnderline();
            if (f.fontPointSize() > 0) r.halfPoints = int(std::lround(f.fontPointSize() * 2));
            if (f.hasProperty(QTextFormat::ForegroundBrush)) {
                r.hasColour = true;
                r.colour = f.foreground().color().rgb() & 0xFFFFFF;
            }
            const QStringList families = f.fontFamilies().toStringList();
            if (!families.isEmpty()) r.font = families.front().toStdString();
            if (!p.runs.empty() && p.runs.back().sameLook(r))
                p.runs.back().text += r.text;
            else
                p.runs.push_back(std::move(r));
        }
        out.paragraphs.push_back(std::move(p));
    }
    return out;
}

} // namespace vantor::info
