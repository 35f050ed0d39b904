#include "gui/lists/pair_editor_controller.h"

#include "core/app/key_rules.h"
#include "core/app/list_text.h"
#include "core/state/message_keys.h"
#include "core/state/relabel_table.h"
#include "core/text/notation.h"
#include "core/text/pair_matcher.h"
#include "gui/widgets/qt_keys.h"
#include "gui/widgets/qt_object_names.h"
#include "gui/widgets/qt_text.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTextDocument>
#include <QToolButton>

namespace morvane {

namespace {

// Light enough for the text to read on it.
const QColor kInvalidPatternColour(255, 215, 215);

// The caption is a mark the pair list repeats; the tooltip says it in words. The key works the toggle
// wherever the focus is in the editor and leaves it there, so typing goes on (a button's own shortcut would
// take the focus).
QToolButton* newToggle(QWidget* parent, const char* name, const char* caption, Qt::Key key,
                       std::string_view tooltip) {
    auto* toggle = named(new QToolButton(parent), name);
    toggle->setText(QString::fromLatin1(caption));
    toggle->setCheckable(true);
    toggle->setToolTip(toQString(tooltip));
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | key), parent);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, toggle, &QToolButton::toggle);
    return toggle;
}

} // namespace

ListView* newPairListView(PairListModel& model, QWidget* parent) {
    auto* view = new ListView([](KeyStroke key) { return pairListKey(key) != PairListKey::None; }, parent);
    view->setModel(&model);
    return view;
}

PairTextBox::PairTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    QTextOption option = document()->defaultTextOption();
    option.setFlags(option.flags() | QTextOption::ShowLineAndParagraphSeparators);
    document()->setDefaultTextOption(option);
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
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers().testFlag(Qt::ControlModifier) && store_) {
        store_();
        return;
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
    buildToggles();
    named(new QLabel(QStringLiteral("Replace With:"), frame_), "Label(1)");
    txtReplace_ = named(new PairTextBox(frame_), "txtReplace");
    named(new QLabel(QStringLiteral("Special Characters:"), frame_), "Label(2)");
    txtSpecialChars_ =
        named(new QPlainTextEdit(toQString(storedToTyped(kSpecialCharsHelp)), frame_), "txtSpecialChars");
    txtSpecialChars_->setReadOnly(true);
    txtSpecialChars_->setTabChangesFocus(true);
    cmdAddNewElement_ = named(new QPushButton(QStringLiteral("&Add"), frame_), "cmdAddNewElement");
    cmdUpdateElement_ = named(new QPushButton(QStringLiteral("Up&date"), frame_), "cmdUpdateElement");
    auto* cancel = named(new QPushButton(QStringLiteral("&Cancel"), frame_), "cmdCancelNewElement");
    auto* swap = named(new QPushButton(QStringLiteral("swap  <-->"), frame_), "cmdSwap");
    // The swap picture lies over this button, so a Tab that stopped on it would seem to lose the focus.
    swap->setFocusPolicy(Qt::NoFocus);
    QWidget::setTabOrder(txtFind_, tglIgnoreCase_);
    QWidget::setTabOrder(tglIgnoreCase_, tglWholeWord_);
    QWidget::setTabOrder(tglWholeWord_, tglPattern_);
    QWidget::setTabOrder(tglPattern_, txtReplace_);
    QWidget::setTabOrder(txtReplace_, cmdAddNewElement_);
    QWidget::setTabOrder(cmdAddNewElement_, cmdUpdateElement_);
    QWidget::setTabOrder(cmdUpdateElement_, cancel);
    QWidget::setTabOrder(cancel, txtSpecialChars_);
    connect(cmdAddNewElement_, &QPushButton::clicked, this, [this] { closeEditorAndStore(false); });
    connect(cmdUpdateElement_, &QPushButton::clicked, this, [this] { closeEditorAndStore(true); });
    connect(cancel, &QPushButton::clicked, this, &PairListEditor::showMainFrame);
    connect(swap, &QPushButton::clicked, this, &PairListEditor::swapFindAndReplace);
    connect(txtFind_, &QPlainTextEdit::textChanged, this, &PairListEditor::checkPattern);
    // Ctrl+Enter is the button the editor offers: Update when it edits a row, else Add.
    for (PairTextBox* box : {txtFind_, txtReplace_}) {
        box->onStoreWanted([this] { closeEditorAndStore(!cmdUpdateElement_->isHidden()); });
    }
    connect(tglPattern_, &QToolButton::toggled, this, &PairListEditor::checkPattern);
    pages_.addWidget(frame_);
}

// Alt+C, which other tools give to case, is the Cancel button's here; I for ignore case is free in both
// languages, as W and R are.
void PairListEditor::buildToggles() {
    tglIgnoreCase_ = newToggle(frame_, "tglIgnoreCase", "a=A", Qt::Key_I, kIgnoreCaseHelp);
    tglWholeWord_ = newToggle(frame_, "tglWholeWord", "W", Qt::Key_W, kWholeWordHelp);
    tglPattern_ = newToggle(frame_, "tglPattern", ".*", Qt::Key_R, kPatternHelp);
}

PairOptions PairListEditor::chosenOptions() const {
    return {.ignoreCase = tglIgnoreCase_->isChecked(),
            .wholeWord = tglWholeWord_->isChecked(),
            .pattern = tglPattern_->isChecked()};
}

void PairListEditor::showOptions(const PairOptions& options) {
    tglIgnoreCase_->setChecked(options.ignoreCase);
    tglWholeWord_->setChecked(options.wholeWord);
    tglPattern_->setChecked(options.pattern);
}

QStringList PairListEditor::optionNames() const {
    return {tglIgnoreCase_->accessibleName(), tglWholeWord_->accessibleName(), tglPattern_->accessibleName()};
}

void PairListEditor::setPatternErrorText(const QString& text) {
    patternErrorText_ = text;
    checkPattern();
}

void PairListEditor::relabel(const std::function<QString(std::string_view key)>& message) {
    setSpecialCharsHelp(message(keys::kSpecialCharsHelp));
    setPatternErrorText(message(keys::kPatternUnusable));
    model_.setWarningTexts(message(keys::kPairChangesInserted), message(keys::kPairNeverMatches));
    model_.setOptionNames(optionNames());
}

void PairListEditor::setSpecialCharsHelp(const QString& text) {
    txtSpecialChars_->setPlainText(toQString(storedToTyped(fromQString(text))));
}

bool PairListEditor::patternUsable() const {
    return patternError_.isEmpty();
}

void PairListEditor::checkPattern() {
    patternError_ = toQString(patternError(storedText(txtFind_->toPlainText()), chosenOptions()));
    QPalette palette; // resolves nothing: the box takes its parent's colours again
    if (!patternUsable()) {
        palette = txtFind_->palette();
        palette.setColor(QPalette::Base, kInvalidPatternColour);
    }
    txtFind_->setPalette(palette);
    txtFind_->setToolTip(patternUsable() ? QString() : patternErrorText_.arg(patternError_));
    txtFind_->setAccessibleDescription(txtFind_->toolTip());
    cmdAddNewElement_->setEnabled(patternUsable());
    cmdUpdateElement_->setEnabled(patternUsable());
}

bool PairListEditor::editorShown() const {
    return pages_.currentWidget() == frame_;
}

void PairListEditor::showMainFrame() {
    pages_.setCurrentWidget(&mainView_);
    list_.setFocus();
}

void PairListEditor::showPairEditor(bool showUpdateButton, const std::string& find,
                                    const std::string& replace, PairOptions options) {
    cmdUpdateElement_->setVisible(showUpdateButton);
    openedWith_ = {{{toQString(storedToTyped(find)), find}, {toQString(storedToTyped(replace)), replace}}};
    txtFind_->setPlainText(openedWith_[0].first);
    txtReplace_->setPlainText(openedWith_[1].first);
    showOptions(options);
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
    showPairEditor(true, row.find, row.replace, row.options);
}

void PairListEditor::addPair(std::string find, std::string replace, PairOptions options) {
    model_.append(std::move(find), std::move(replace), options);
}

void PairListEditor::updatePair(std::string find, std::string replace, PairOptions options) {
    model_.update(list_.currentRow(), std::move(find), std::move(replace), options);
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
    if (!patternUsable()) {
        return;
    }
    showMainFrame();
    std::string find = storedText(txtFind_->toPlainText());
    std::string replace = storedText(txtReplace_->toPlainText());
    if (update) {
        updatePair(std::move(find), std::move(replace), chosenOptions());
    } else {
        addPair(std::move(find), std::move(replace), chosenOptions());
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
