#pragma once

#include "util/key_codes.h"

#include <QTreeWidget>

namespace morvane {

// A list that hands the keys its rule claims to its owner, translated into key codes, and handles every other
// key as usual.
class KeyedListView : public QTreeWidget {
    Q_OBJECT

public:
    using Claims = bool (*)(KeyStroke key);
    explicit KeyedListView(Claims claims, QWidget* parent = nullptr);

signals:
    void keyPressed(morvane::KeyStroke key);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Claims claims_;
};

} // namespace morvane
