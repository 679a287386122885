#pragma once
// A plain panel with the classic bevels: an optional raised outer bevel, a border, and an
// optional lowered inner bevel; children are placed inside it by their owners.
#include <QWidget>

class TBevelPanel : public QWidget {
    Q_OBJECT

public:
    // borderWidth: the gap between the outer and the inner bevel, in pixels.
    TBevelPanel(QWidget* parent, bool raisedOuter, int borderWidth, bool loweredInner);

    // Distance from the panel's edge to the first pixel inside the inner bevel.
    int InnerOffset() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool RaisedOuter;
    int BorderWidth;
    bool LoweredInner;
};
