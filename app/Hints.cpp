#include "app/Hints.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QToolTip>
#include <QWidget>

#include <algorithm>

namespace {

// Delay when the mouse moves on from one visible tip to the next widget: the next tip
// follows at once, as users expect from a row of keys.
constexpr int FollowOnPause = 20;

// Qt's own tool-tip timing is replaced: Qt's tool-tip events are swallowed, and this filter
// sends its own after the hint pause, to the widget the mouse rests on. The event then runs
// the widget's ordinary tool-tip handling, so per-item tips keep working.
class THintFilter : public QObject {
public:
    THintFilter() {
        Timer.setSingleShot(true);
        connect(&Timer, &QTimer::timeout, this, [this] { ShowPendingHint(); });
    }

    bool Show = true;
    int Pause = 500;
    QTimer Timer;

    void Cancel() { Timer.stop(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::ToolTip:
            // Only our own tool-tip events pass; Qt's would come after Qt's own pause.
            return !Dispatching;
        case QEvent::MouseMove:
            if (watched->isWidgetType() && event->spontaneous())
                MouseRests(static_cast<QWidget*>(watched), static_cast<QMouseEvent*>(event));
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::Wheel:
        case QEvent::Leave:
            if (event->spontaneous()) Cancel();
            break;
        default:
            break;
        }
        return false;
    }

private:
    QPointer<QWidget> Widget;
    QPoint Pos;
    QPoint GlobalPos;
    quint64 LastStamp = 0;
    bool Dispatching = false;

    void MouseRests(QWidget* widget, const QMouseEvent* mouse) {
        if (!Show || mouse->buttons() != Qt::NoButton) return;
        // A move goes to the widget under the mouse and, if ignored there, on to its
        // parents with the same time stamp and screen position; only the first delivery
        // names the widget the mouse rests on.
        const QPoint globalPos = mouse->globalPosition().toPoint();
        if (mouse->timestamp() == LastStamp && globalPos == GlobalPos && Widget &&
            widget->isAncestorOf(Widget))
            return;
        const QPoint pos = mouse->position().toPoint();
        if (!widget->rect().contains(pos)) return;
        const bool followOn = QToolTip::isVisible() && Widget != widget;
        Widget = widget;
        Pos = pos;
        GlobalPos = globalPos;
        LastStamp = mouse->timestamp();
        Timer.start(followOn ? std::min(FollowOnPause, Pause) : Pause);
    }

    void ShowPendingHint() {
        if (!Show || !Widget || !Widget->isVisible()) return;
        // Like Qt, show tips only in the active window unless the window asks otherwise.
        QWidget* window = Widget->window();
        bool allowed = window->testAttribute(Qt::WA_AlwaysShowToolTips);
        for (QWidget* w = window; w && !allowed;
             w = w->parentWidget() ? w->parentWidget()->window() : nullptr)
            allowed = w->isActiveWindow();
        if (!allowed) return;
        QHelpEvent help(QEvent::ToolTip, Pos, GlobalPos);
        // Reset also when the widget's tool-tip handling raises.
        struct TDispatchScope {
            bool& Flag;
            explicit TDispatchScope(bool& flag) : Flag(flag) { Flag = true; }
            ~TDispatchScope() { Flag = false; }
        } scope(Dispatching);
        QCoreApplication::sendEvent(Widget, &help);
    }
};

THintFilter* Filter = nullptr;

THintFilter& TheFilter() {
    if (!Filter) Filter = new THintFilter;
    return *Filter;
}

} // namespace

void InstallHintFilter(QApplication& app) {
    THintFilter& filter = TheFilter();
    if (filter.parent() == &app) return;
    filter.setParent(&app);
    app.installEventFilter(&filter);
    // The filter dies with the application; a later call starts afresh.
    QObject::connect(&app, &QObject::destroyed, [] { Filter = nullptr; });
}

void SetShowHints(bool on) {
    THintFilter& filter = TheFilter();
    filter.Show = on;
    if (!on) {
        filter.Cancel();
        QToolTip::hideText();
    }
}

bool ShowHints() {
    return TheFilter().Show;
}

void SetHintPause(int milliseconds) {
    TheFilter().Pause = std::max(0, milliseconds);
}

int HintPause() {
    return TheFilter().Pause;
}

int PendingHintDelay() {
    const THintFilter& filter = TheFilter();
    return filter.Timer.isActive() ? filter.Timer.interval() : -1;
}
