#include "gui/lists/pair_editor_controller.h"

#include "core/app/key_rules.h"
#include "core/app/list_text.h"
#include "core/text/notation.h"
#include "gui/widgets/qt_keys.h"
#include "gui/widgets/qt_object_names.h"
#include "gui/widgets/qt_text.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

namespace morvane {

ListView* newPairListView(PairListModel& model, QWidget* parent) {
    auto* view = new ListView([](KeyStroke key) { return pairListKey(key) != PairListKey::None; }, parent);
    view->setModel(&model);
    return view;
}

PairTextBox::PairTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

void PairTextBox::keyPressEvent(QKeyEvent* event) {
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

PairListEditor::PairListEditor(QStackedWidget& pages, QWidget& mainView, ListView& list, PairListModel& model)
    : QObject(&pages), pages_(pages), mainView_(mainView), list_(list), model_(model) {
    buildEditor();
    connect(&list_, &ListView::keyPressed, this, &PairListEditor::onListKey);
    connect(&list_, &ListView::doubleClickedAnywhere, this, &PairListEditor::editCurrentPair);
}

void PairListEditor::buildEditor() {
    frame_ = named(new QGroupBox(QStringLiteral("New Element"), &pages_), "frameNewElement");
    named(new QLabel(QStringLiteral("Find"), frame_), "Label(0)");
    txtFind_ = named(new PairTextBox(frame_), "txtFind");
    named(new QLabel(QStringLiteral("Replace With:"), frame_), "Label(1)");
    txtReplace_ = named(new PairTextBox(frame_), "txtReplace");
    named(new QLabel(QStringLiteral("Special Characters:"), frame_), "Label(2)");
    txtSpecialChars_ =
        named(new QPlainTextEdit(toQString(storedToTyped(kSpecialCharsHelp)), frame_), "txtSpecialChars");
    txtSpecialChars_->setReadOnly(true);
    txtSpecialChars_->setTabChangesFocus(true);
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
    QWidget::setTabOrder(cancel, txtSpecialChars_);
    connect(add, &QPushButton::clicked, this, [this] { closeEditorAndStore(false); });
    connect(cmdUpdateElement_, &QPushButton::clicked, this, [this] { closeEditorAndStore(true); });
    connect(cancel, &QPushButton::clicked, this, &PairListEditor::showMainFrame);
    connect(swap, &QPushButton::clicked, this, &PairListEditor::swapFindAndReplace);
    pages_.addWidget(frame_);
}

bool PairListEditor::editorShown() const {
    return pages_.currentWidget() == frame_;
}

void PairListEditor::showMainFrame() {
    pages_.setCurrentWidget(&mainView_);
    list_.setFocus();
}

void PairListEditor::showPairEditor(bool showUpdateButton, const std::string& find,
                                    const std::string& replace) {
    cmdUpdateElement_->setVisible(showUpdateButton);
    openedWith_ = {{{toQString(storedToTyped(find)), find}, {toQString(storedToTyped(replace)), replace}}};
    txtFind_->setPlainText(openedWith_[0].first);
    txtReplace_->setPlainText(openedWith_[1].first);
    pages_.setCurrentWidget(frame_);
    txtFind_->setFocus();
}

void PairListEditor::editCurrentPair() {
    if (model_.size() == 0) {
        showPairEditor(false);
        return;
    }
    if (list_.currentRow() < 0) {
        list_.setCurrentRow(0);
    }
    const PairListModel::Row& row = model_.row(list_.currentRow());
    showPairEditor(true, row.find, row.replace);
}

void PairListEditor::addPair(std::string find, std::string replace) {
    model_.append(std::move(find), std::move(replace));
}

void PairListEditor::updatePair(std::string find, std::string replace) {
    model_.update(list_.currentRow(), std::move(find), std::move(replace));
}

void PairListEditor::swapFindAndReplace() {
    const QString find = txtFind_->toPlainText();
    txtFind_->setPlainText(txtReplace_->toPlainText());
    txtReplace_->setPlainText(find);
}

void PairListEditor::clearPairs() {
    model_.clear();
}

std::string PairListEditor::storedText(const QString& box) const {
    for (const auto& [shown, bytes] : openedWith_) {
        if (box == shown) {
            return bytes;
        }
    }
    return typedToStored(fromQString(box));
}

void PairListEditor::closeEditorAndStore(bool update) {
    showMainFrame();
    std::string find = storedText(txtFind_->toPlainText());
    std::string replace = storedText(txtReplace_->toPlainText());
    if (update) {
        updatePair(std::move(find), std::move(replace));
    } else {
        addPair(std::move(find), std::move(replace));
    }
    emit pairsChanged();
}

void PairListEditor::onListKey(KeyStroke key) {
    switch (pairListKey(key)) {
    case PairListKey::DeleteSelected:
        model_.removeAt(list_.selectedRows());
        emit pairsChanged();
        break;
    case PairListKey::SelectAll:
        list_.selectAll();
        break;
    case PairListKey::EditCurrent:
        editCurrentPair();
        break;
    case PairListKey::AddNew:
        showPairEditor(false);
        break;
    case PairListKey::None:
        break;
    }
}

} // namespace morvane
