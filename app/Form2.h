#pragma once

#include "app/ToolDialog.h"

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class TSpeedButton;

// The Set Time dialog: one text box pre-filled with the time text of now, in
// a sizeable tool-window frame. "Ok" hands the text, exactly as typed and
// unchecked, to whoever opened the dialog; "Cancel" closes it with no change.
// There is no default button: Enter in the text box does not press "Ok".
class TForm2 : public TToolDialog {
    Q_OBJECT
public:
    // The most characters the text box takes: at no more than four bytes each,
    // a full box fits one line of the alarm file and comes back whole after a restart.
    static constexpr int kMaxTextLength = 1024;

    // `timeText` is the time text of now, which replaces the design text.
    TForm2(QWidget* owner, const std::string& timeText);

    QLabel* Label1 = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;
    TSpeedButton* SpeedButton2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;

    void FormCreate(const std::string& timeText);
    void SpeedButton1Click() { accept(); }
    void SpeedButton2Click() { reject(); }

    // The confirmed text, valid after exec() returned Accepted.
    QString Text() const;

protected:
    void showEvent(QShowEvent* event) override;
};
