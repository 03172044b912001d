#pragma once

#include <QImage>
#include <QWidget>

// The skin under every other control of the main window: paints the skin
// picture at its own size from the top-left corner, and leaves the window's
// background showing where there is no picture.
class TfcImageForm : public QWidget {
    Q_OBJECT
public:
    explicit TfcImageForm(QWidget* parent);

    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return FPicture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage FPicture;  // held in a 32-bit format, ready to draw
};
