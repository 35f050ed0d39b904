#include "lists/pair_list.h"

#include "engine/notation.h"
#include "lists/list_text.h"
#include "lists/list_views.h"
#include "util/qt_keys.h"
#include "util/qt_text.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

namespace morvane {

namespace {

QString stored(const QString& typed) {
    return toQString(typedToStored(fromQString(typed)));
}
QString typed(const QString& stored) {
    return toQString(storedToTyped(fromQString(stored)));
}

template <class Widget> Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

KeyedListView* newPairListView(QWidget* parent) {
    return new KeyedListView([](KeyStroke key) { return pairListKey(key) != PairListKey::None; }, parent);
}

EditorTextBox::EditorTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

void EditorTextBox::keyPressEvent(QKeyEvent* event) {
    const KeyStroke key = keyStrokeOf(*event);
    if (selectsWholeText(key)) {
        selectAll();
        return;
    }
    if (key.code == vk::kA && (key.mask & kCtrlMask)) {
        return; // Ctrl+A with another modifier selects nothing
    }
    QPlainTextEdit::keyPressEvent(event);
}

PairListEditor::PairListEditor(QStackedWidget& pages, QWidget& mainView, KeyedListView& list)
    : QObject(&pages), pages_(pages), mainView_(mainView), list_(list) {
    buildEditor();
    connect(&list_, &KeyedListView::keyPressed, this, &PairListEditor::onListKey);
    connect(&list_, &QTreeWidget::itemDoubleClicked, this, [this] { lvCurrentZeileBearbeiten(); });
}

void PairListEditor::buildEditor() {
    frame_ = named(new QGroupBox(QStringLiteral("New Element"), &pages_), "frameNewElement");
    named(new QLabel(QStringLiteral("Find"), frame_), "Label(0)");
    txtFind_ = named(new EditorTextBox(frame_), "txtFind");
    named(new QLabel(QStringLiteral("Replace With:"), frame_), "Label(1)");
    txtReplace_ = named(new EditorTextBox(frame_), "txtReplace");
    named(new QLabel(QStringLiteral("Special Characters:"), frame_), "Label(2)");
    auto* help =
        named(new QPlainTextEdit(toQString(storedToTyped(kSpecialCharsHelp)), frame_), "txtSpecialChars");
    help->setReadOnly(true);
    help->setTabChangesFocus(true);
    auto* add = named(new QPushButton(QStringLiteral("&Add"), frame_), "cmdAddNewElement");
    cmdUpdateElement_ = named(new QPushButton(QStringLiteral("Up&date"), frame_), "cmdUpdateElement");
    auto* cancel = named(new QPushButton(QStringLiteral("&Cancel"), frame_), "cmdCancelNewElement");
    auto* swap = named(new QPushButton(QStringLiteral("swap  <-->"), frame_), "cmdSwap");
    // The swap picture lies over this button, so a Tab that stopped on it would seem to lose the focus.
    swap->setFocusPolicy(Qt::NoFocus);
    QWidget::setTabOrder(txtFind_, txtReplace_);
    QWidget::setTabOrder(txtReplace_, add);
    QWidget::setTabOrder(add, cmdUpdateElement_);
    QWidget::setTabOrder(cmdUpdateElement_, cancel);
    QWidget::setTabOrder(cancel, help);
    connect(add, &QPushButton::clicked, this, [this] { closeEditorAndStore(false); });
    connect(cmdUpdateElement_, &QPushButton::clicked, this, [this] { closeEditorAndStore(true); });
    connect(cancel, &QPushButton::clicked, this, &PairListEditor::HaupframeZeigen);
    connect(swap, &QPushButton::clicked, this, &PairListEditor::SwapTextBoxes);
    pages_.addWidget(frame_);
}

bool PairListEditor::editorShown() const {
    return pages_.currentWidget() == frame_;
}

void PairListEditor::HaupframeZeigen() {
    pages_.setCurrentWidget(&mainView_);
    list_.setFocus();
}

void PairListEditor::AddframeAnschalten(bool anzeigeUpdateKnopf, const QString& find,
                                        const QString& replace) {
    cmdUpdateElement_->setVisible(anzeigeUpdateKnopf);
    txtFind_->setPlainText(typed(find));
    txtReplace_->setPlainText(typed(replace));
    pages_.setCurrentWidget(frame_);
    txtFind_->setFocus();
}

void PairListEditor::lvCurrentZeileBearbeiten() {
    // Without a current row there is nothing to edit: the editor opens to add a pair instead.
    const QTreeWidgetItem* current = list_.currentItem();
    if (list_.topLevelItemCount() > 0 && current) {
        AddframeAnschalten(true, current->text(0), current->text(1));
    } else {
        AddframeAnschalten(false);
    }
}

void PairListEditor::AddNewElementToList(const QString& find, const QString& replace) {
    if (find.isEmpty()) {
        return;
    }
    list_.addTopLevelItem(new QTreeWidgetItem(QStringList{find, replace}));
}

void PairListEditor::UpdateElementInList(const QString& find, const QString& replace) {
    QTreeWidgetItem* current = list_.currentItem();
    if (find.isEmpty() || !current) {
        return;
    }
    current->setText(0, find);
    current->setText(1, replace);
}

void PairListEditor::SwapTextBoxes() {
    const QString find = txtFind_->toPlainText();
    txtFind_->setPlainText(txtReplace_->toPlainText());
    txtReplace_->setPlainText(find);
}

void PairListEditor::FindRepListeLoeschen() {
    list_.clear();
}

void PairListEditor::closeEditorAndStore(bool update) {
    HaupframeZeigen();
    const QString find = stored(txtFind_->toPlainText());
    const QString replace = stored(txtReplace_->toPlainText());
    if (update) {
        UpdateElementInList(find, replace);
    } else {
        AddNewElementToList(find, replace);
    }
    emit pairsChanged();
}

void PairListEditor::onListKey(KeyStroke key) {
    switch (pairListKey(key)) {
    case PairListKey::DeleteSelected:
        ListViewDeleteSelected(list_);
        emit pairsChanged();
        break;
    case PairListKey::SelectAll:
        ListViewSelectAll(list_);
        break;
    case PairListKey::EditCurrent:
        lvCurrentZeileBearbeiten();
        break;
    case PairListKey::AddNew:
        AddframeAnschalten(false);
        break;
    case PairListKey::None:
        break;
    }
}

} // namespace morvane
