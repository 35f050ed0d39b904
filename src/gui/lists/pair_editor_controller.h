#pragma once

#include "gui/lists/pair_list_model.h"
#include "gui/widgets/list_view.h"

#include <QPlainTextEdit>
#include <array>
#include <functional>
#include <string>

class QGroupBox;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QWidget;

namespace morvane {

// A find or replace box: Enter breaks the line, Ctrl+Enter stores the pair, Tab moves on, Ctrl+A selects the
// whole text. Each line break shows a mark, so one at the end of the text is seen too.
class PairTextBox : public QPlainTextEdit {
public:
    explicit PairTextBox(QWidget* parent = nullptr);
    void onStoreWanted(std::function<void()> store) { store_ = std::move(store); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<void()> store_;
};

// The pair list's keys.
ListView* newPairListView(PairListModel& model, QWidget* parent);

// The pair list and the element editor that covers the main view while a pair is typed or changed. Exactly
// one of the two pages is usable at a time: the covered one cannot be reached by mouse or keyboard.
class PairListEditor : public QObject {
    Q_OBJECT

public:
    // The pages are the main view and the editor frame, in a stack the caller has laid out.
    PairListEditor(QStackedWidget& pages, QWidget& mainView, ListView& list, PairListModel& model);

    QGroupBox& editorFrame() { return *frame_; }
    // The find, replace and special characters boxes.
    std::array<QWidget*, 3> textBoxes() const { return {txtFind_, txtReplace_, txtSpecialChars_}; }
    bool editorShown() const;
    // The texts of the editor and of the pair list's marks take the language now chosen.
    void relabel(const std::function<QString(std::string_view key)>& message);

    void showMainFrame();
    // The texts are in the list's form, line breaks as CR LF.
    void showPairEditor(bool showUpdateButton = false, const std::string& find = {},
                        const std::string& replace = {}, PairOptions options = {});
    // Edit mode for the current row (the first when none is current), add mode when the list is empty.
    void editCurrentPair();
    // An empty find text is never stored.
    void addPair(std::string find, std::string replace, PairOptions options = {});
    void updatePair(std::string find, std::string replace, PairOptions options);
    void swapFindAndReplace();
    void clearPairs();

signals:
    // The pairs changed through the editor or the list's keys; the counts must follow.
    void pairsChanged();

private:
    // The toggles' names in the window's language: ignore case, whole word, pattern.
    QStringList optionNames() const;
    // The find box's tooltip while its pattern cannot be used: %1 stands for why.
    void setPatternErrorText(const QString& text);
    // The help beside the boxes, line breaks as CR LF.
    void setSpecialCharsHelp(const QString& text);

    void buildEditor();
    void buildToggles();
    PairOptions chosenOptions() const;
    void showOptions(const PairOptions& options);
    // Marks a pattern that cannot be used as it is typed; such a pair can be neither added nor changed.
    void checkPattern();
    bool patternUsable() const;
    void onListKey(KeyStroke key);
    void closeEditorAndStore(bool update);
    // The bytes a box stands for: the text it was opened with when it still shows that (a text that is not
    // valid in the local encoding cannot come back from the box unchanged), else what was typed.
    std::string storedText(const QString& box) const;

    QStackedWidget& pages_;
    QWidget& mainView_;
    ListView& list_;
    PairListModel& model_;
    QGroupBox* frame_ = nullptr;
    PairTextBox* txtFind_ = nullptr;
    PairTextBox* txtReplace_ = nullptr;
    QPlainTextEdit* txtSpecialChars_ = nullptr;
    QPushButton* cmdUpdateElement_ = nullptr;
    QToolButton* tglIgnoreCase_ = nullptr;
    QToolButton* tglWholeWord_ = nullptr;
    QToolButton* tglPattern_ = nullptr;
    QPushButton* cmdAddNewElement_ = nullptr;
    std::array<std::pair<QString, std::string>, 2> openedWith_;
    QString patternErrorText_ = QStringLiteral("%1");
    QString patternError_;
};

} // namespace morvane
