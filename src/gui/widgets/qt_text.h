#pragma once

#include <QString>
#include <string>
#include <string_view>

// Where the core's byte strings meet widgets: texts in the local 8-bit encoding, paths as the filesystem
// spells them.
namespace morvane {

QString toQString(std::string_view bytes);
std::string fromQString(const QString& text);
// A text for one line of a list, its control bytes in the notation (`oneLineText`), so a row keeps the height
// of one line and a line break reads as plainly as the rest.
QString toOneLineQString(std::string_view bytes);

QString pathToQString(const std::string& path);
std::string pathFromQString(const QString& path);

} // namespace morvane
