#pragma once

#include <QImage>
#include <QWidget>

// The skin under every other control of the main window: paints the skin
// picture at its own size from the top-left corner, and gives the window
// the outline stored with the skin. Where there is no picture the window's
// background shows; without a stored outline the window stays rectangular.
class TfcImageForm : public QWidget {
    Q_OBJECT
public:
    explicit TfcImageForm(QWidget* parent);

    void SetPicture(const QImage& picture);
    // The picture and outline built into the program.
    void LoadBuiltInSkin();
    const QImage& Picture() const { return FPicture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage FPicture;  // held in a 32-bit format, ready to draw
};
