#pragma once

#include "ControlSchedule.h"

#include <QString>
#include <QTimer>
#include <QWidget>

#include <vector>

class QLabel;

namespace k7 {
class ControlBase;
}

namespace k7::cli {

// A shop-floor terminal screen for the demo: a title bar and the controls placed on it in twips,
// opened with Refresh(False) and refreshed with Refresh(True) every few seconds, as a terminal
// host does (ControlSchedule). Each control of the library joins the same screen. The status line
// shows the last refresh, every control's Error, and the writes the controls sent (see WriteTally).
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
    const std::vector<ControlBase*>& Controls() const { return schedule_.Controls(); }

private:
    void ShowStatus();
    void FitToContents();

    QLabel* title_ = nullptr;
    QLabel* status_ = nullptr;
    ControlSchedule schedule_;
    QTimer refreshTimer_;
    int refreshes_ = 0;
};

} // namespace k7::cli
