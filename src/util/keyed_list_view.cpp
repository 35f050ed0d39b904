#include "util/keyed_list_view.h"

#include "util/qt_keys.h"

#include <QKeyEvent>

namespace morvane {

KeyedListView::KeyedListView(Claims claims, QWidget* parent) : QTreeWidget(parent), claims_(claims) {}

void KeyedListView::keyPressEvent(QKeyEvent* event) {
    const KeyStroke key = keyStrokeOf(*event);
    if (!claims_(key)) {
        QTreeWidget::keyPressEvent(event);
        return;
    }
    emit keyPressed(key);
}

} // namespace morvane
