#pragma once

#include <QStaticText>
#include <QString>
#include <QWidget>

// The label that shows the time: plain text on a transparent background,
// sized to its text as an auto-sized label is. A new text repaints only what
// can have changed: from its first changed character to the end of the wider
// of the old and the new text.
class TClockLabel : public QWidget {
    Q_OBJECT
public:
    explicit TClockLabel(QWidget* parent);

    const QString& text() const { return FText; }
    void SetTimeText(const QString& text);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString FText;
    QStaticText FStaticText;  // FText, laid out in the label's font
};
