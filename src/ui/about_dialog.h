#pragma once

#include <QDialog>

class QLabel;

namespace morvane {

class Shell;

// The maker's web site, opened from the About dialog.
inline constexpr const char* kMakerWebSite = "https://morvane.example.org/";

// Title and version over the skin's background, with a link to the maker's web site. It is never modal and
// never destroyed while the program runs: closing it only hides it, and it goes when the main window goes.
class AboutDialog : public QDialog {
public:
    AboutDialog(Shell& shell, QWidget* parent);

    QLabel& background() { return *background_; }
    void LabelAusfuellen();
    void DiesesFrmAusschalten();

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
