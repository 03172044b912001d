#pragma once

#include <QToolButton>

// A flat push button lying on the skin: no frame until the mouse is over it,
// never takes the keyboard focus, greyed and deaf to clicks while disabled.
class TSpeedButton : public QToolButton {
    Q_OBJECT
public:
    explicit TSpeedButton(QWidget* parent) : QToolButton(parent)
    {
        setAutoRaise(true);
        setFocusPolicy(Qt::NoFocus);
        setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
};
