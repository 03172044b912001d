#include "app/Form2.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/DesignFont.h"
#include "settings/AlarmFile.h"
#include "app/SpeedButton.h"

const QColor GreyBlue(0xA2, 0xAF, 0xBB);

static_assert(std::size_t{TForm2::kMaxTextLength} * 4 <= AlarmFile::kMaxLineBytes,
              "a full Set Time box must fit one line of the alarm file");

TForm2::TForm2(QWidget* owner, const std::string& timeText) : TToolDialog(owner)
{
    setWindowTitle(QStringLiteral("Set Time"));
    setObjectName(QStringLiteral("Form2"));
    // The grey blue is painted, not set as a palette: the style caches the
    // button faces it draws per palette, so a new palette at every opening
    // would fill the application's pixmap cache; this way they are shared.
    SetClientColour(GreyBlue);
    setFont(DesignFont("MS Sans Serif", 11, false));

    Label1 = new QLabel(QStringLiteral("Set Time For Example 23:09:10"), Client());
    Label1->setGeometry(0, 0, 148, 13);

    SpeedButton1 = new TSpeedButton(Client());
    SpeedButton1->setText(QStringLiteral("Ok"));
    SpeedButton1->setGeometry(0, 50, 57, 22);

    SpeedButton2 = new TSpeedButton(Client());
    SpeedButton2->setText(QStringLiteral("Cancel"));
    SpeedButton2->setGeometry(96, 50, 57, 22);

    Edit1 = new QLineEdit(QStringLiteral("00:00:00"), Client());
    Edit1->setGeometry(0, 16, 153, 32);
    Edit1->setFont(DesignFont("MS Sans Serif", 19, true));
    Edit1->setMaxLength(kMaxTextLength);
    QPalette editColours = Edit1->palette();
    editColours.setColor(QPalette::Base, GreyBlue);
    Edit1->setPalette(editColours);

    // Invisible, unclickable, first in the focus chain: it keeps the caret
    // out of the text box until the user clicks or tabs into it.
    Button1 = new QPushButton(QStringLiteral("Button1"), Client());
    Button1->setGeometry(120, 65, 0, 0);
    Button1->setAutoDefault(false);
    setTabOrder(Edit1, Button1);

    connect(SpeedButton1, &QAbstractButton::clicked, this, &TForm2::SpeedButton1Click);
    connect(SpeedButton2, &QAbstractButton::clicked, this, &TForm2::SpeedButton2Click);

    // Designed at (440, 342), 161 x 105; the dialog then fits its controls.
    move(440, 342);
    SetClientSize(QSize(153, 72));

    FormCreate(timeText);
}

void TForm2::FormCreate(const std::string& timeText)
{
    Edit1->setText(QString::fromLocal8Bit(timeText));
}

QString TForm2::Text() const
{
    return Edit1->text();
}

void TForm2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Button1->setFocus(Qt::OtherFocusReason);
}
