#include "app/Form1.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>

#include "app/ApplicationTitle.h"
#include "app/Clock.h"
#include "app/ClockLabel.h"
#include "app/DesignFont.h"
#include "app/ExceptionBox.h"
#include "app/SpeedButton.h"
#include "app/TimeText.h"
#include "skin/ByteStream.h"
#include "skin/ImageForm.h"
#include "skin/SkinResources.h"
#include "sound/MediaDevice.h"
#include "sound/MediaPlayer.h"
#include "tray/TaskIcon.h"

namespace {

void SetTextColour(QWidget* widget, const QColor& colour)
{
    QPalette colours = widget->palette();
    colours.setColor(QPalette::WindowText, colour);
    colours.setColor(QPalette::ButtonText, colour);
    widget->setPalette(colours);
}

QLabel* MakeLabel(QWidget* parent, int left, int top, const QFont& font, const QColor& colour)
{
    auto* label = new QLabel(parent);
    label->move(left, top);
    label->setFont(font);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setTextFormat(Qt::PlainText);
    SetTextColour(label, colour);
    return label;
}

TSpeedButton* MakeButton(QWidget* parent, int left, int top, int width, int height, const char* caption,
                         const QFont& font)
{
    auto* button = new TSpeedButton(parent);
    button->setGeometry(left, top, width, height);
    button->setText(QString::fromLatin1(caption));
    button->setFont(font);
    return button;
}

// The armed indicator: an 8 x 8 red square at the top-left of its 9 x 17 box.
QPixmap ArmedIndicator()
{
    QImage image(9, 17, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(0, 0, 8, 8, QColor(0xFF, 0x00, 0x00));
    return QPixmap::fromImage(image);
}

}  // namespace

TForm1::TForm1(TForm1Services services)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), FServices(std::move(services))
{
    if (FServices.clock == nullptr) {
        static SystemClock systemClock;  // no state: one serves every window
        FServices.clock = &systemClock;
    }
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ZUM"));
    setFixedSize(399, 201);
    setFont(DesignFont("MS Sans Serif", 11, false));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    setPalette(colours);

    CreateControls();

    // A failure in the creation handler is shown; the window goes on as it stands.
    RunGuarded([this] { FormCreate(); });
}

TForm1::~TForm1()
{
    // The icon leaves the tray through the service, which outlives it.
    TaskIcon1.reset();
}

void TForm1::CreateControls()
{
    // The skin paints and shapes the window and moves it when dragged.
    fcImageForm1 = new TfcImageForm(this);
    fcImageForm1->SetParent(this);
    fcImageForm1->SetBounds(0, 0, 399, 201);
    fcImageForm1->Picture().LoadFromData(BuiltInSkinPicture());
    fcImageForm1->SetDragTolerance(5);
    const QByteArray regionData = BuiltInRegionData();
    MemoryByteSource storedOutline(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(regionData.constData()),
                                                            static_cast<std::size_t>(regionData.size())));
    fcImageForm1->ReadRegions(storedOutline);

    Label1 = new TClockLabel(this);
    Label1->move(96, 60);
    Label1->setFont(DesignFont("Comic Sans MS", 48, true));
    SetTextColour(Label1, QColor(0x00, 0xFF, 0xFF));
    Label2 = MakeLabel(this, 16, 28, DesignFont("Comic Sans MS", 13, true), Qt::white);
    FAlarmText = ByteCaption(Label2);

    const QFont bold11 = DesignFont("MS Sans Serif", 11, true);
    SpeedButton1 = MakeButton(this, 344, 168, 45, 23, "MENU", bold11);
    SetTextColour(SpeedButton1, Qt::black);
    SpeedButton2 = MakeButton(this, 356, 8, 17, 17, "-", DesignFont("MS Sans Serif", 13, true));
    SpeedButton2->setToolTip(QStringLiteral("Tray Icon"));
    SpeedButton3 = MakeButton(this, 376, 8, 17, 17, "x", bold11);
    SpeedButton3->setToolTip(QStringLiteral("Close"));

    Image1 = new QLabel(this);
    Image1->setGeometry(376, 32, 9, 17);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    Image1->setPixmap(ArmedIndicator());
    Image1->hide();

    Label3 = MakeLabel(this, 16, 152, DesignFont("Comic Sans MS", 9, false), Qt::white);
    Label3->resize(369, 13);
    FSoundPath = ByteCaption(Label3);

    SpeedButton6 = MakeButton(this, 151, 168, 33, 17, "Play", bold11);
    SpeedButton7 = MakeButton(this, 192, 168, 33, 17, "Stop", bold11);
    SpeedButton4 = MakeButton(this, 14, 168, 33, 22, "ON", bold11);
    SpeedButton5 = MakeButton(this, 14, 168, 33, 22, "OFF", bold11);
    SpeedButton5->hide();

    MediaPlayer1 = std::make_unique<TMediaPlayer>(FServices.makeMediaDevice ? FServices.makeMediaDevice() : nullptr);

    CreateTrayIcon();

    Timer1 = new QTimer(this);
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(ClockTick::kInterval);
    Timer2 = new QTimer(this);
    Timer2->setTimerType(Qt::PreciseTimer);
    Timer2->setInterval(kAlarmCheckInterval);

    PopupMenu1 = new QMenu(this);
    SetTime1 = PopupMenu1->addAction(QStringLiteral("&Set Time"));
    SelectSound1 = PopupMenu1->addAction(QStringLiteral("Sele&ct Sound"));
    AutoRun1 = PopupMenu1->addAction(QStringLiteral("Auto &Run"));
    AutoRun1->setCheckable(true);
    AutoRun2 = PopupMenu1->addAction(QStringLiteral("Auto &Run"));
    AutoRun2->setCheckable(true);
    AutoRun2->setChecked(true);
    AutoRun2->setVisible(false);
    UpdateShanges1 = PopupMenu1->addAction(QStringLiteral("&Update Shanges"));
    UpdateShanges1->setEnabled(false);
    About1 = PopupMenu1->addAction(QStringLiteral("&About"));
    N1 = PopupMenu1->addSeparator();
    Exit1 = PopupMenu1->addAction(QStringLiteral("&Exit"));

    PopupMenu2 = new QMenu(this);
    Exit2 = PopupMenu2->addAction(QStringLiteral("Exit"));
    Show1 = PopupMenu2->addAction(QStringLiteral("Show"));
    // A tray that shows the icon's menu itself shows this one; elsewhere a
    // right-click reaches TaskIcon1RightClick, which pops it up at the pointer.
    TaskIcon1->SetPopupMenu(PopupMenu2);

    // Every command runs guarded: a failure goes to the exception box, the program goes on.
    auto wire = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
        connect(sender, signal, this, [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); });
    };
    wire(Timer1, &QTimer::timeout, &TForm1::Timer1Timer);
    wire(Timer2, &QTimer::timeout, &TForm1::Timer2Timer);
    wire(SpeedButton1, &QAbstractButton::clicked, &TForm1::SpeedButton1Click);
    wire(SpeedButton3, &QAbstractButton::clicked, &TForm1::SpeedButton3Click);
    wire(SpeedButton4, &QAbstractButton::clicked, &TForm1::SpeedButton4Click);
    wire(SpeedButton5, &QAbstractButton::clicked, &TForm1::SpeedButton5Click);
    wire(SpeedButton6, &QAbstractButton::clicked, &TForm1::SpeedButton6Click);
    wire(SpeedButton7, &QAbstractButton::clicked, &TForm1::SpeedButton7Click);
    wire(SetTime1, &QAction::triggered, &TForm1::SetTime1Click);
    wire(SelectSound1, &QAction::triggered, &TForm1::SelectSound1Click);
    wire(AutoRun1, &QAction::triggered, &TForm1::AutoRun1Click);
    wire(AutoRun2, &QAction::triggered, &TForm1::AutoRun2Click);
    wire(UpdateShanges1, &QAction::triggered, &TForm1::UpdateShanges1Click);
    wire(About1, &QAction::triggered, &TForm1::About1Click);
    wire(Exit1, &QAction::triggered, &TForm1::Exit1Click);
    wire(Exit2, &QAction::triggered, &TForm1::Exit2Click);
    wire(SpeedButton2, &QAbstractButton::clicked, &TForm1::SpeedButton2Click);
    wire(Show1, &QAction::triggered, &TForm1::Show1Click);

    Timer1->start();
}

void TForm1::FormCreate()
{
    StartWithLogonCheck();
    RestoreAlarm();
    SetTrayHintNow();
}

void TForm1::Timer1Timer()
{
    // A tick that re-placed the ticks (below) goes back to the period. A
    // stopped timer (a driven tick) stays stopped.
    if (Timer1->interval() != ClockTick::kInterval && Timer1->isActive())
        Timer1->start(ClockTick::kInterval);
    // The text changes only with the clock's second (locale and time zone are
    // set at start), so within a second a tick costs a clock read and a compare.
    const std::time_t second = FServices.clock->Now();
    if (FTick.NewSecond(second)) {
        char text[128];
        const std::size_t length = TimeText(second, text, sizeof text);
        const std::string_view now(text, length);
        // A new second whose text is the one on show (a locale time without
        // seconds) costs the formatting and this comparison only.
        if (length > 0 && now != FShownText) {
            FShownText.assign(now);
            Label1->SetTimeText(QString::fromLocal8Bit(text, static_cast<qsizetype>(length)));
            FShownTimes.Shown(now);
            // The alarm check follows the clock's second, not the moment of
            // arming: it runs as soon as the label takes a new second, so an
            // alarm sounds at its second's start. Back at its one-second interval
            // once fired, Timer2 still checks should these ticks stall; a check
            // between two new seconds finds no new text and does nothing.
            if (Timer2->isActive())
                Timer2->start(0);
            const std::optional<int> next = ClockTick::Realign(FServices.clock->MillisecondsIntoSecond());
            if (next && Timer1->isActive())
                Timer1->start(*next);
        }
    }

    RefreshTrayHint();

    const bool canArm = !Label2->text().isEmpty() && !Label3->text().isEmpty();
    if (SpeedButton4->isEnabled() != canArm)
        SpeedButton4->setEnabled(canArm);
}

void TForm1::About1Click()
{
    const QString text =
        QStringLiteral("     Z.U.M   V.1.3\n\r     A desktop alarm clock that rings on time, every day."
                       "\n\r\n\r     Questions and reports: the ZUM developers");
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok, this);
    box.exec();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // Closing the main window ends the program, also while it is hidden in
    // the tray and whatever other window (a message box) closes last.
    QWidget::closeEvent(event);
    if (event->isAccepted())
        QCoreApplication::quit();
}
