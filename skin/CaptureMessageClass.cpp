#include "skin/CaptureMessageClass.h"

#include <QEvent>
#include <QWidget>

void TfcCaptureMessageClass::SetEnabled(bool Value)
{
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    if (Value)
        StartSubClass();
    else
        EndSubClass();
}

void TfcCaptureMessageClass::SetWndHandle(QObject* Handle)
{
    if (FWndHandle != nullptr)
        EndSubClass();
    FWndHandle = Handle;
    if (Handle != nullptr && FEnabled)
        StartSubClass();
}

void TfcCaptureMessageClass::SetWndControl(QWidget* Control)
{
    if (Control != nullptr && Control != FWndControl) {
        FWndControl = Control;
        SetWndHandle(Control);
    }
}

void TfcCaptureMessageClass::StartSubClass()
{
    // A handle that names no live object subclasses nothing; the enabled
    // flag stays as it was set.
    if (FWndHandle == nullptr || FSubClassed)
        return;
    FWndHandle->installEventFilter(this);
    FSubClassed = true;
    FEnabled = true;
}

void TfcCaptureMessageClass::EndSubClass()
{
    if (FSubClassed && FWndHandle != nullptr)
        FWndHandle->removeEventFilter(this);
    FSubClassed = false;
    FEnabled = false;
}

bool TfcCaptureMessageClass::eventFilter(QObject* watched, QEvent* event)
{
    if (!FSubClassed || watched != FWndHandle)
        return QObject::eventFilter(watched, event);
    TfcMessage message{event, false};
    NewWndProc(message);
    // The object's own handling has run inside WndProc (or was withheld):
    // Qt must not deliver the event to it a second time.
    return true;
}

void TfcCaptureMessageClass::WndProc(TfcMessage& Message)
{
    bool ProcessMessage = true;
    if (OnBeforeWndProc)
        OnBeforeWndProc(Message, ProcessMessage);
    if (!ProcessMessage)
        return;
    // The object's own handling; QObject::event is public, the overrides
    // behind it need not be.
    QPointer<QObject> target = FWndHandle;
    QPointer<TfcCaptureMessageClass> self(this);
    Message.Result = static_cast<QObject*>(target.data())->event(Message.Event);
    // The handling may have destroyed the object, or the hook with it.
    if (self != nullptr && target != nullptr && OnAfterWndProc)
        OnAfterWndProc(Message);
}
