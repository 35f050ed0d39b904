#include "gui/lists/folder_files_dialog.h"

#include "core/app/message_catalogue.h"
#include "core/state/message_keys.h"
#include "gui/widgets/qt_object_names.h"
#include "gui/widgets/qt_text.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvane {

namespace {} // namespace

FolderFilesDialog::FolderFilesDialog(const QString& folder, const ExpansionOptions& choices,
                                     const Message& message, QWidget* parent)
    : QDialog(parent), message_(message), choices_(choices) {
    setObjectName(QStringLiteral("frmFolderFiles"));
    setWindowTitle(message_(keys::kFolderFilesTitle, builtInText(keys::kFolderFilesTitle).c_str()));
    auto* layout = new QVBoxLayout(this);
    auto* folderLabel = named(new QLabel(folder, this), "lblFolder");
    folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(folderLabel);

    auto* form = new QFormLayout;
    includes_ = named(new QLineEdit(toQString(joinNamePatterns(choices.includes)), this), "txtInclude");
    excludes_ = named(new QLineEdit(toQString(joinNamePatterns(choices.excludes)), this), "txtExclude");
    form->addRow(message_(keys::kFolderFilesInclude, builtInText(keys::kFolderFilesInclude).c_str()),
                 includes_);
    form->addRow(message_(keys::kFolderFilesExclude, builtInText(keys::kFolderFilesExclude).c_str()),
                 excludes_);
    layout->addLayout(form);
    const auto box = [this, layout](const char* name, std::string_view key, const char* builtIn,
                                    bool checked) {
        auto* check = named(new QCheckBox(message_(key, builtIn), this), name);
        check->setChecked(checked);
        layout->addWidget(check);
        return check;
    };
    hidden_ = box("chkHidden", keys::kFolderFilesHidden, builtInText(keys::kFolderFilesHidden).c_str(),
                  choices.hidden);
    ignored_ = box("chkIgnored", keys::kFolderFilesIgnored, builtInText(keys::kFolderFilesIgnored).c_str(),
                   choices.ignored);
    binary_ = box("chkBinary", keys::kFolderFilesBinary, builtInText(keys::kFolderFilesBinary).c_str(),
                  choices.binary);

    // Holds its line from the start, so the dialog does not grow when the reading begins.
    reading_ = named(new QLabel(QStringLiteral(" "), this), "lblReading");
    reading_->setMinimumWidth(fontMetrics().averageCharWidth() * 60);
    layout->addWidget(reading_);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &FolderFilesDialog::startReading);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

ExpansionOptions FolderFilesDialog::choices() const {
    return choices_;
}

void FolderFilesDialog::startReading() {
    choices_.includes = splitNamePatterns(fromQString(includes_->text()));
    choices_.excludes = splitNamePatterns(fromQString(excludes_->text()));
    choices_.hidden = hidden_->isChecked();
    choices_.ignored = ignored_->isChecked();
    choices_.binary = binary_->isChecked();
    for (QWidget* choice : std::initializer_list<QWidget*>{includes_, excludes_, hidden_, ignored_, binary_,
                                                           buttons_->button(QDialogButtonBox::Ok)}) {
        choice->setEnabled(false);
    }
    emit readWanted();
}

// The folder's path can be long: the label shows its end, where the reading is.
void FolderFilesDialog::showReading(const QString& folder, std::size_t filesFound) {
    const QString text = message_(keys::kFolderFilesReading, builtInText(keys::kFolderFilesReading).c_str())
                             .arg(static_cast<qulonglong>(filesFound));
    const int room =
        std::max(reading_->width() - reading_->fontMetrics().horizontalAdvance(text.arg(QString())), 0);
    reading_->setText(text.arg(reading_->fontMetrics().elidedText(folder, Qt::ElideLeft, room)));
}

} // namespace morvane
