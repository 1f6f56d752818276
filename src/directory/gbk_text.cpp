#include "directory/gbk_text.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace vantor::directory {

QString gbkToQString(std::string_view gbk) {
    // Stateless: a lead byte cut off at the end of one text never carries into the next.
    thread_local QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    if (gbk.empty()) return {};
    return decoder.decode(QByteArrayView(gbk.data(), qsizetype(gbk.size())));
}

std::string qstringToGbk(const QString& text) {
    thread_local QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    return std::string(bytes.constData(), size_t(bytes.size()));
}

} // namespace vantor::directory
