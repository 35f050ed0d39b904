#pragma once

#include <QString>

namespace morvane {

// The desktop's file manager and file associations, behind an interface so that tests record instead of
// opening windows.
class Shell {
public:
    virtual ~Shell() = default;
    // Opens the file manager at the file's folder with the file selected.
    virtual void showInFolder(const QString& path) = 0;
    // Opens the file with its associated program (a folder in the file manager).
    virtual void open(const QString& path) = 0;
};

class DesktopShell : public Shell {
public:
    void showInFolder(const QString& path) override;
    void open(const QString& path) override;
};

} // namespace morvane
