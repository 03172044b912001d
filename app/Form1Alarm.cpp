// The main window's alarm and sound commands: the armed state, the alarm
// file, the alarm check, the sound buttons, Set Time and Sele&ct Sound.
#include "app/Form1.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QTimer>

#include "app/Clock.h"
#include "app/Form2.h"
#include "app/OpenDialog.h"
#include "app/SpeedButton.h"
#include "app/TimeText.h"
#include "settings/AlarmFile.h"
#include "settings/FileErrors.h"
#include "settings/SystemDirectory.h"
#include "sound/MediaPlayer.h"

bool TForm1::Armed() const
{
    return Image1->isVisibleTo(this);
}

void TForm1::SetArmed(bool armed)
{
    Image1->setVisible(armed);
    SpeedButton4->setVisible(!armed);
    SpeedButton5->setVisible(armed);
    UpdateShanges1->setEnabled(armed);
    if (armed) {
        // A newly armed check looks only at the seconds shown from now on.
        FShownTimes.Clear();
        Timer2->start();
    } else {
        Timer2->stop();
    }
}

void TForm1::RestoreAlarm()
{
    // Scratch files that this user's saves left when they were killed.
    SystemDirectory::RemoveStaleScratchFiles();
    // Another user's file is not this clock's alarm (see AlarmFile).
    if (!AlarmFile::Exists())
        return;
    SetArmed(true);
    // The alarm is to sound at its second, not once the sound service is ready.
    MediaPlayer1->Prepare();

    const std::vector<std::string> lines = AlarmFile::Load();
    ListBox1.clear();
    for (const std::string& line : lines)
        ListBox1.append(ByteCaption::Display(line));
    if (lines.size() < 1)
        throw EListError(0);
    FAlarmText.SetBytes(lines[0]);
    Label2->adjustSize();
    if (lines.size() < 2)
        throw EListError(1);
    FSoundPath.SetBytes(lines[1]);
}

void TForm1::SaveAlarm()
{
    ListBox1.clear();
    ListBox1.append(Label2->text());
    ListBox1.append(Label3->text());
    AlarmFile::Save(FAlarmText.Bytes(), FSoundPath.Bytes());
}

void TForm1::Timer2Timer()
{
    // Due again a second from now, unless the next new second comes first.
    if (Timer2->interval() != kAlarmCheckInterval)
        Timer2->start(kAlarmCheckInterval);
    try {
        // Every text the clock label showed since the previous check, so
        // that a late check still finds its second, and finds it once.
        if (FShownTimes.TakeMatch(FAlarmText.Bytes()))
            SpeedButton6Click();  // plays the sound as "Play" does
    } catch (const std::exception&) {
        // The alarm stays armed; a sound that cannot play is not reported.
    }
}

void TForm1::SpeedButton4Click()
{
    SetArmed(true);
    SetTrayHintNow();
    MediaPlayer1->Prepare();
    try {
        SaveAlarm();
    } catch (...) {
        // Armed for this run only: there is no stored alarm to update.
        UpdateShanges1->setEnabled(false);
        throw;
    }
}

void TForm1::SpeedButton5Click()
{
    SetArmed(false);
    SetTrayHintNow();
    // A file this user may not remove arms the alarm again at the next
    // start: the user hears of it, with the window already not armed.
    AlarmFile::Delete();
}

void TForm1::SpeedButton6Click()
{
    try {
        MediaPlayer1->SetFileName(FSoundPath.Bytes());
        MediaPlayer1->Open();
        MediaPlayer1->Play();
    } catch (const std::exception&) {
        // Trying a sound that cannot play shows nothing.
    }
}

void TForm1::SpeedButton7Click()
{
    try {
        MediaPlayer1->Stop();
    } catch (const std::exception&) {
        // Nothing was open: nothing to stop.
    }
}

void TForm1::SetTime1Click()
{
    // A fresh dialog for every opening, destroyed when it closes.
    auto dialog = std::make_unique<TForm2>(this, TimeText(FServices.clock->Now()));
    if (dialog->exec() == QDialog::Accepted) {
        FAlarmText.SetBytes(dialog->Text().toUtf8().toStdString());
        Label2->adjustSize();
    }
}

void TForm1::SelectSound1Click()
{
    QString chosen;
    bool confirmed = false;
    if (FServices.runOpenDialog) {
        confirmed = FServices.runOpenDialog(this, &chosen);
    } else {
        TOpenDialog OpenDialog1;
        confirmed = OpenDialog1.Execute(this);
        chosen = OpenDialog1.FileName();
    }
    if (confirmed)
        FSoundPath.SetBytes(QFile::encodeName(chosen).toStdString());
}
