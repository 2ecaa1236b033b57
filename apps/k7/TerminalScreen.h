#pragma once

#include "WriteTally.h"

#include <QString>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <map>
#include <vector>

class QLabel;

namespace k7 {
class ControlBase;
}

namespace k7::cli {

// A shop-floor terminal screen for the demo: a title bar and the controls placed on it in twips,
// opened with Refresh(False) and refreshed with Refresh(True) every few seconds, as a terminal
// host does. Each control of the library joins the same screen. The status line shows the last
// refresh, every control's Error, and the writes the controls sent (see WriteTally).
class TerminalScreen : public QWidget {
public:
    explicit TerminalScreen(const QString& title, QWidget* parent = nullptr);

    // Places a control created by the factory at (left, top) twips, with its extent in twips
    // (0 x 0: its design size). The screen owns it.
    ControlBase& Place(const QString& kind, float left, float top, float width = 0, float height = 0);

    // A caption of the screen itself (what a row shows), at (left, top) twips.
    void AddCaption(const QString& text, float left, float top, float width, float height);

    // Refresh(False) on every control, as when the screen opens; then Refresh(True) every
    // `intervalMs`. Errors a control raises to its host are shown in the status line.
    void Open(int intervalMs);
    void RefreshAll(bool pBolOpened);

    int Refreshes() const { return refreshes_; }
    const std::vector<ControlBase*>& Controls() const { return controls_; }

private:
    void RefreshOne(ControlBase& control, bool pBolOpened);
    // A control that raises PropertyChanged (the table, after a view switch from its menus) is
    // refreshed as its host must: Refresh(True), or Refresh(False) when a property that shapes its
    // grid changed since the screen last built it.
    void WatchViewChanges(ControlBase& control);
    void ShowStatus();
    void FitToContents();

    QLabel* title_ = nullptr;
    QLabel* status_ = nullptr;
    std::vector<ControlBase*> controls_;
    QTimer refreshTimer_;
    WriteTally writes_;
    int refreshes_ = 0;
    QString lastFailure_;
    std::map<const ControlBase*, QVariant> builtShape_;
};

} // namespace k7::cli
