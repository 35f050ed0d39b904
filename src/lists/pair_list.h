#pragma once

#include "lists/key_rules.h"
#include "util/keyed_list_view.h"

#include <QPlainTextEdit>

class QGroupBox;
class QPushButton;
class QStackedWidget;
class QWidget;

namespace morvane {

// A find or replace box: Enter breaks the line, Tab moves on, Ctrl+A selects the whole text.
class EditorTextBox : public QPlainTextEdit {
public:
    explicit EditorTextBox(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The pair list's keys.
KeyedListView* newPairListView(QWidget* parent);

// The pair list and the element editor that covers the main view while a pair is typed or changed. Exactly
// one of the two pages is usable at a time: the covered one cannot be reached by mouse or keyboard.
class PairListEditor : public QObject {
    Q_OBJECT

public:
    // The pages are the main view and the editor frame, in a stack the caller has laid out.
    PairListEditor(QStackedWidget& pages, QWidget& mainView, KeyedListView& list);

    QGroupBox& editorFrame() { return *frame_; }
    bool editorShown() const;

    void HaupframeZeigen();
    void AddframeAnschalten(bool anzeigeUpdateKnopf = false, const QString& find = {},
                            const QString& replace = {});
    void lvCurrentZeileBearbeiten();
    // Texts in the list's form, line breaks as CR LF; an empty find text is never stored.
    void AddNewElementToList(const QString& find, const QString& replace);
    void UpdateElementInList(const QString& find, const QString& replace);
    void SwapTextBoxes();
    void FindRepListeLoeschen();

signals:
    // The pairs changed through the editor or the list's keys; the counts must follow.
    void pairsChanged();

private:
    void buildEditor();
    void onListKey(KeyStroke key);
    void closeEditorAndStore(bool update);

    QStackedWidget& pages_;
    QWidget& mainView_;
    KeyedListView& list_;
    QGroupBox* frame_ = nullptr;
    EditorTextBox* txtFind_ = nullptr;
    EditorTextBox* txtReplace_ = nullptr;
    QPushButton* cmdUpdateElement_ = nullptr;
};

} // namespace morvane
