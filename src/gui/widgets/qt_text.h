#pragma once

#include <QString>
#include <string>
#include <string_view>

// Where the core's byte strings meet widgets: texts in the local 8-bit encoding, paths as the filesystem
// spells them.
namespace morvane {

QString toQString(std::string_view bytes);
std::string fromQString(const QString& text);
// A text for one line of a list: each line break (CR LF, LF or CR) shows as one return arrow, so a row keeps
// the height of one line.
QString toOneLineQString(std::string_view bytes);

QString pathToQString(const std::string& path);
std::string pathFromQString(const QString& path);

} // namespace morvane
