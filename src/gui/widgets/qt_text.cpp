#include "gui/widgets/qt_text.h"

#include "core/app/list_text.h"

#include <QFile>

namespace morvane {

QString toQString(std::string_view bytes) {
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string fromQString(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

QString toOneLineQString(std::string_view bytes) {
    return toQString(oneLineText(bytes));
}

QString pathToQString(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string pathFromQString(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace morvane
