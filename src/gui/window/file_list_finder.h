#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string_view>

class QAction;
class QLabel;
class QMenu;

namespace morvane {

class FileListView;
class PreviewWindow;
class RunController;

// What finds the files with matches in a long file list: the heading of the folder column that tells rows of
// one name apart, a checkable view of only the rows a run counted matches in, with "N of M files" at the
// right end of the status bar while it is on, and steps to the next and previous row with matches in the
// order shown, wrapping around. The rows shown are sorted and filtered again when a run ends or stops, not
// while it counts.
class FileListFinder : public QObject {
    Q_OBJECT

public:
    using Message = std::function<QString(std::string_view key, const char* builtIn)>;

    // The preview's list of files with changes is sorted and filtered as the file list is, and a file chosen
    // there becomes the current row here.
    // The count shows at the right end of the bar the status line lies on.
    FileListFinder(FileListView& list, QMenu& menu, QLabel& statusLine, RunController& runs,
                   PreviewWindow& preview, Message message, QObject& owner);

    // Takes the current language's captions, and the file list its texts.
    void relabel();
    // Makes the next (or previous) row with matches the current and only selected one.
    void step(bool forward);
    // Makes the row of the model the current and only selected one, where it is shown.
    void showFile(int fileRow);

private:
    void refresh();
    void makeCurrent(int shownRow);
    void showCount();
    void placeCount();
    bool eventFilter(QObject* watched, QEvent* event) override;

    FileListView& list_;
    PreviewWindow& preview_;
    QLabel& statusLine_;
    int laidOutWidth_ = 0;     // the width the window's layout gives the status line
    bool placingLine_ = false; // the status line is being narrowed for the count
    Message message_;
    QAction* onlyMatches_ = nullptr;
    QAction* next_ = nullptr;
    QAction* previous_ = nullptr;
    QLabel* count_ = nullptr;
};

} // namespace morvane
