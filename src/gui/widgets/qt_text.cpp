#include "gui/widgets/qt_text.h"

#include <QFile>

namespace morvane {

QString toQString(std::string_view bytes) {
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string fromQString(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

QString toOneLineQString(std::string_view bytes) {
    QString text = toQString(bytes);
    text.replace(QLatin1String("\r\n"), QString(QChar(0x21B5)));
    text.replace(QLatin1Char('\n'), QChar(0x21B5));
    text.replace(QLatin1Char('\r'), QChar(0x21B5));
    return text;
}

QString pathToQString(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string pathFromQString(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace morvane
