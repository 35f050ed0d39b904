#pragma once

#include "core/files/folder_expansion.h"

#include <QDialog>
#include <functional>
#include <string_view>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

namespace morvane {

// Asks which of a folder's files take the folder's row: name patterns to include and to leave out, and
// whether hidden, ignored and binary files come too. OK asks for the reading (readWanted); while the folder
// is read the choices are fixed and the dialog shows how far the reading got, and Cancel (or Escape) closes
// it, which stops the reading.
class FolderFilesDialog : public QDialog {
    Q_OBJECT

public:
    using Message = std::function<QString(std::string_view key, const char* builtIn)>;

    FolderFilesDialog(const QString& folder, const ExpansionOptions& choices, const Message& message,
                      QWidget* parent = nullptr);

    ExpansionOptions choices() const;
    void showReading(const QString& folder, std::size_t filesFound);

signals:
    void readWanted();

private:
    void startReading();

    Message message_;
    QLineEdit* includes_ = nullptr;
    QLineEdit* excludes_ = nullptr;
    QCheckBox* hidden_ = nullptr;
    QCheckBox* ignored_ = nullptr;
    QCheckBox* binary_ = nullptr;
    QLabel* reading_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    ExpansionOptions choices_;
};

} // namespace morvane
