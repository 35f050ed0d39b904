#pragma once

#include <QDialog>
#include <string>

class QLabel;

namespace morvane {

class Shell;

// The read-me in the program folder, which the About dialog's link opens: the project has no web site.
inline constexpr char kReadMeName[] = "README.md";

// Title and version over the skin's background, with a link to the read-me installed with the program. It is
// never modal and never destroyed while the program runs: closing it only hides it, and it goes when the main
// window goes.
class AboutDialog : public QDialog {
public:
    AboutDialog(Shell& shell, const std::string& appFolder, QWidget* parent);

    QLabel& background() { return *background_; }
    void fillLabels();
    void hidePairEditor();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    Shell& shell_;
    QLabel* background_;
    QLabel* title_;
    QLabel* version_;
    QLabel* description_;
};

} // namespace morvane
