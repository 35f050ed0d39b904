#include "gui/window/qt_accessibility.h"

#include "gui/lists/replace_mode_view.h"
#include "gui/widgets/image_button_view.h"
#include "gui/widgets/progress_view.h"

#include <QAccessibleWidget>

namespace morvane {

namespace {

class AccessibleImageButton : public QAccessibleWidget {
public:
    explicit AccessibleImageButton(ImageButton* button) : QAccessibleWidget(button, QAccessible::Button) {}
    void doAction(const QString& name) override {
        if (name == pressAction() && widget()->isEnabled()) {
            static_cast<ImageButton*>(widget())->press();
        }
    }
    QStringList actionNames() const override { return {pressAction()}; }
};

class AccessibleModeCaption : public QAccessibleWidget {
public:
    explicit AccessibleModeCaption(ClickableLabel* caption)
        : QAccessibleWidget(caption, QAccessible::RadioButton) {}
    QString text(QAccessible::Text kind) const override {
        const QString own = QAccessibleWidget::text(kind);
        return kind == QAccessible::Name && own.isEmpty() ? caption()->text() : own;
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = caption()->selected();
        return state;
    }
    void doAction(const QString& name) override {
        if (name == pressAction() && widget()->isEnabled()) {
            emit caption()->clicked();
        }
    }
    QStringList actionNames() const override { return {pressAction()}; }

private:
    ClickableLabel* caption() const { return static_cast<ClickableLabel*>(widget()); }
};

class AccessibleProgress : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleProgress(ProgressPicture* picture)
        : QAccessibleWidget(picture, QAccessible::ProgressBar) {}
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Value ? QStringLiteral("%1%").arg(picture()->percent())
                                          : QAccessibleWidget::text(kind);
    }
    QVariant currentValue() const override { return picture()->percent(); }
    void setCurrentValue(const QVariant&) override {} // shows the run's progress; nobody else sets it
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    ProgressPicture* picture() const { return static_cast<ProgressPicture*>(widget()); }
};

QAccessibleInterface* accessibleFor(const QString& className, QObject* object) {
    if (className == QLatin1String(ImageButton::staticMetaObject.className())) {
        return new AccessibleImageButton(static_cast<ImageButton*>(object));
    }
    if (className == QLatin1String(ClickableLabel::staticMetaObject.className())) {
        return new AccessibleModeCaption(static_cast<ClickableLabel*>(object));
    }
    if (className == QLatin1String(ProgressPicture::staticMetaObject.className())) {
        return new AccessibleProgress(static_cast<ProgressPicture*>(object));
    }
    return nullptr;
}

} // namespace

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    (void)installed;
}

} // namespace morvane
