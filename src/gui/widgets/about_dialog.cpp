#include "gui/widgets/about_dialog.h"

#include "core/app/form_layout.h"
#include "core/app/program_version.h"
#include "core/platform/paths.h"
#include "gui/widgets/progress_view.h"
#include "gui/widgets/qt_keys.h"
#include "gui/widgets/qt_shell.h"
#include "gui/widgets/qt_text.h"

#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <functional>

namespace morvane {

namespace {

// A link-like label that reports clicks.
class ClickTarget : public QLabel {
public:
    ClickTarget(QWidget* parent, std::function<void()> onClick)
        : QLabel(parent), onClick_(std::move(onClick)) {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent*) override { onClick_(); }

private:
    std::function<void()> onClick_;
};

void place(QWidget& widget, double left, double top, double width, double height) {
    const PixelRect rect = pixelRectFromTwips(TwipsRect{left, top, width, height});
    widget.setGeometry(rect.left, rect.top, rect.width, rect.height);
}

// The logo, drawn rather than shipped: the program's initial on the progress colour.
QPixmap logo() {
    QPixmap picture(60, 87);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(kProgressColour.red, kProgressColour.green, kProgressColour.blue));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(2, 2, 56, 83), 10, 10);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(40);
    painter.setFont(font);
    painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("M"));
    return picture;
}

QString versionText(Version version) {
    return QString("Version %1.%2.%3").arg(version.major).arg(version.minor).arg(version.revision);
}

} // namespace

AboutDialog::AboutDialog(Shell& shell, const std::string& appFolder, QWidget* parent)
    : QDialog(parent), shell_(shell) {
    setObjectName("frmAbout");
    setModal(false);
    const QString readMe = QDir::toNativeSeparators(pathToQString(joinPath(appFolder, kReadMeName)));
    const auto openReadMe = [this, readMe] { shell_.open(readMe); };
    background_ = new QLabel(this);
    background_->setObjectName("img(1)");
    title_ = new QLabel(this);
    title_->setObjectName("lblTitle");
    QFont bold = title_->font();
    bold.setBold(true);
    bold.setPointSizeF(13.5);
    title_->setFont(bold);
    version_ = new QLabel(this);
    version_->setObjectName("lblVersion");
    description_ = new QLabel(this);
    description_->setObjectName("lblDescription");
    description_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* logoPicture = new ClickTarget(this, openReadMe);
    logoPicture->setObjectName("imgBrisoll");
    logoPicture->setPixmap(logo());
    logoPicture->setScaledContents(true);
    auto* fixedLine = new QLabel(QStringLiteral("Freeware"), this);
    fixedLine->setObjectName("Label1");
    auto* link = new ClickTarget(this, openReadMe);
    link->setObjectName("Label2");
    link->setText(QString::fromLatin1(kReadMeName));
    link->setToolTip(readMe);
    link->setStyleSheet(
        QStringLiteral("color: rgb(0, 0, 128); font-weight: bold; text-decoration: underline;"));
    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);

    place(*title_, 1890, 240, 3885, 480);
    place(*version_, 1890, 780, 3885, 225);
    place(*description_, 1920, 1245, 4005, 2490);
    place(*logoPicture, 480, 2040, 900, 1305);
    place(*fixedLine, 3600, 4200, 855, 255);
    place(*link, 240, 4200, 3015, 255);
    place(*rule, 1800, 712, 4200, 16);
    place(*separator, 100, 3998, 5900, 30);
    background_->setScaledContents(true);
    background_->lower();
    resize(pixelsFromTwips(6225), pixelsFromTwips(4695));
    fillLabels();
}

void AboutDialog::fillLabels() {
    const Version version = programVersion();
    setWindowTitle(toQString(kApplicationTitle) + QStringLiteral(" ") + versionText(version));
    title_->setText(toQString(kApplicationTitle));
    version_->setText(versionText(version));
    description_->setText(toQString(kApplicationTitle));
}

void AboutDialog::hidePairEditor() {
    hide();
    if (QWidget* main = parentWidget()) {
        main->show();
        main->setEnabled(true);
    }
}

// The user's close box only hides the dialog and brings the main window back. A close the program asks for
// (the main window going, and the dialog with it) is let through: bringing the main window back then would
// keep the program alive.
void AboutDialog::closeEvent(QCloseEvent* event) {
    if (!event->spontaneous()) {
        event->accept();
        return;
    }
    event->ignore();
    hidePairEditor();
}

void AboutDialog::keyPressEvent(QKeyEvent* event) {
    if (keyStrokeOf(*event).code == vk::kEscape) {
        hidePairEditor();
        return;
    }
    QDialog::keyPressEvent(event);
}

void AboutDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    background_->setGeometry(0, 0, width(), height());
}

void AboutDialog::focusInEvent(QFocusEvent* event) {
    fillLabels();
    QDialog::focusInEvent(event);
}

void AboutDialog::showEvent(QShowEvent* event) {
    fillLabels();
    QDialog::showEvent(event);
}

} // namespace morvane
