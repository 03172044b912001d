#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/ByteCaption.h"
#include "app/ClockTick.h"
#include "app/ShownTimeLog.h"

class Clock;
class MediaDevice;
class QAction;
class QLabel;
class QMenu;
class QTimer;
class TClockLabel;
class TDeferredPopUp;
class TMediaPlayer;
class TSpeedButton;
class TTaskIcon;
class TTrayBackend;
class TfcImageForm;

// What the main window takes from its surroundings. Every member may be left
// empty for the real service; tests put fakes here.
struct TForm1Services {
    Clock* clock = nullptr;                                                // not owned
    std::function<std::unique_ptr<MediaDevice>()> makeMediaDevice;         // sound output
    std::function<bool(QWidget* owner, QString* fileName)> runOpenDialog;  // "Sele&ct Sound"
    std::function<std::unique_ptr<TTrayBackend>()> makeTrayBackend;        // the desktop's tray
};

// The main window. The program keeps its whole state in these controls:
// Label1 the time on show, Label2 the alarm text, Label3 the sound file,
// Image1's visibility "armed". Armed always moves together: Image1 and
// SpeedButton5 ("OFF") visible, SpeedButton4 ("ON") hidden, Timer2 running
// and UpdateShanges1 enabled; not armed is the reverse of each.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Timer2's period while armed, in milliseconds.
    static constexpr int kAlarmCheckInterval = 1000;

    explicit TForm1(TForm1Services services = {});
    ~TForm1() override;

    // Controls and components, in creation order (later ones lie on top).
    TfcImageForm* fcImageForm1 = nullptr;
    TClockLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;
    TSpeedButton* SpeedButton2 = nullptr;
    TSpeedButton* SpeedButton3 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label3 = nullptr;
    TSpeedButton* SpeedButton6 = nullptr;
    TSpeedButton* SpeedButton7 = nullptr;
    TSpeedButton* SpeedButton4 = nullptr;
    TSpeedButton* SpeedButton5 = nullptr;
    std::unique_ptr<TMediaPlayer> MediaPlayer1;
    std::unique_ptr<TTaskIcon> TaskIcon1;
    // The hidden scratch list of lines between the alarm file and the labels: a
    // plain list, as a list widget would load the item views (~1 MB) for nothing.
    QStringList ListBox1;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* SetTime1 = nullptr;
    QAction* SelectSound1 = nullptr;
    QAction* AutoRun1 = nullptr;
    QAction* AutoRun2 = nullptr;
    QAction* UpdateShanges1 = nullptr;
    QAction* About1 = nullptr;
    QAction* N1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QAction* Exit2 = nullptr;
    QAction* Show1 = nullptr;

    // Whether the program entry shows the window when the loop starts.
    bool ShowOnStart() const { return FShowOnStart; }
    bool Armed() const;

    // Handlers.
    void FormCreate();
    void Timer1Timer();
    void Timer2Timer();
    void SpeedButton1Click() { PopUp(PopupMenu1); }  // "MENU": the main menu at the cursor
    void SpeedButton2Click();                        // "-": hide into the tray
    void SpeedButton3Click() { close(); }            // "x"
    void SpeedButton4Click();                        // "ON": arm
    void SpeedButton5Click();                        // "OFF": disarm
    void SpeedButton6Click();                        // "Play"
    void SpeedButton7Click();                        // "Stop"
    void SetTime1Click();
    void SelectSound1Click();
    void UpdateShanges1Click() { SaveAlarm(); }
    void About1Click();
    void AutoRun1Click();  // start with logon on
    void AutoRun2Click();  // start with logon off
    void Exit1Click() { close(); }
    void Exit2Click() { close(); }
    void Show1Click() { ShowMainWindow(); }
    void TaskIcon1DblClick() { ShowMainWindow(); }
    void TaskIcon1RightClick() { PopUp(PopupMenu2); }

    // Steps the handlers share. PopUp opens `menu` with its top-left at the
    // mouse cursor.
    void RestoreAlarm();
    void SaveAlarm();
    void PopUp(QMenu* menu);
    void StartWithLogonCheck();
    void SetTrayHintNow();   // the immediate rule
    void RefreshTrayHint();  // the rule of every tick
    void ShowMainWindow();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The one place "armed" moves, all of it together (see the class).
    void SetArmed(bool armed);
    void CreateControls();
    void CreateTrayIcon();
    void ShowInTray();

    TForm1Services FServices;
    // Label2's and Label3's captions as bytes: the alarm file's lines go to
    // the alarm check, the player and back to the file unchanged.
    ByteCaption FAlarmText;
    ByteCaption FSoundPath;
    ShownTimeLog FShownTimes;
    ClockTick FTick;
    std::string FShownText;  // Label1's text as bytes, to skip unchanged seconds
    bool FShowOnStart = true;

    // A menu asked for while the window was going; a child of the window.
    TDeferredPopUp* FDeferredPopUp = nullptr;
    // The tick's hint, rebuilt only when its parts change (none yet: FHintArmed empty).
    std::optional<bool> FHintArmed;
    QString FHintCaption;
    std::string FRefreshHint;
};
