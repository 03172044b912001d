#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>

// The clock label's look on the main window: large bold cyan characters.
inline void DressAsTheClock(QLabel* label)
{
    QFont font(QStringLiteral("Comic Sans MS"));
    font.setPixelSize(48);
    font.setBold(true);
    label->setFont(font);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, QColor(0x00, 0xFF, 0xFF));
    label->setPalette(colours);
}
