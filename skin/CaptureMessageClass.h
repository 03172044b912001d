#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QEvent;
class QWidget;

// One event of the watched window as the handlers see it, and the answer
// the window's own handling gave (true: handled).
struct TfcMessage {
    QEvent* Event = nullptr;
    bool Result = false;
};

using TfcWndProcEvent = std::function<void(TfcMessage& Message)>;
using TfcBeforeWndProcEvent = std::function<void(TfcMessage& Message, bool& ProcessMessage)>;

// Watches the events of an object it does not own (the main window) through
// an event filter: a before-handler that may keep an event from the object,
// then the object's own handling, then an after-handler.
//
// States: created disabled without object; object set; enabled (filter
// installed); disabled again (filter removed) at the latest when destroyed.
// Replacing the object leaves the hook disabled until it is enabled again.
// An object that is destroyed while watched takes the filter with it.
class TfcCaptureMessageClass : public QObject {
    Q_OBJECT
public:
    explicit TfcCaptureMessageClass(QObject* AOwner) : QObject(AOwner) {}
    ~TfcCaptureMessageClass() override { SetEnabled(false); }

    TfcWndProcEvent OnAfterWndProc;
    TfcBeforeWndProcEvent OnBeforeWndProc;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    QObject* WndHandle() const { return FWndHandle; }
    void SetWndHandle(QObject* Handle);
    QWidget* WndControl() const { return FWndControl; }
    void SetWndControl(QWidget* Control);
    // Whether the filter is installed on a live object.
    bool SubClassed() const { return FSubClassed && FWndHandle != nullptr; }

    void StartSubClass();
    void EndSubClass();

    virtual void WndProc(TfcMessage& Message);
    virtual void Refresh() {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void NewWndProc(TfcMessage& Message) { WndProc(Message); }

    bool FEnabled = false;
    QPointer<QObject> FWndHandle;
    bool FSubClassed = false;  // the filter is installed (the "new procedure" exists)
    QPointer<QWidget> FWndControl;
};
