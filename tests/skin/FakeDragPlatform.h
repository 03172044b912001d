#pragma once

#include <QPoint>
#include <QRect>

#include <algorithm>
#include <deque>
#include <vector>

#include "skin/DragPlatform.h"

// A scripted window system for the drag loop. Each scripted message says
// where the pointer is once that message has arrived, so the loop's reading
// of the pointer before its wait sees the position of the message before.
class FakeDragPlatform final : public TfcDragPlatform {
public:
    struct Step {
        enum class What { Move, Up, Other, Quit, LoseGrab, Error } what;
        QPoint pointer;  // Move: where the pointer went, relative to the press
        int exitCode = 0;
    };
    static Step Move(int dx, int dy) { return {Step::What::Move, {dx, dy}}; }
    static Step Up() { return {Step::What::Up, {}}; }
    static Step Other() { return {Step::What::Other, {}}; }
    static Step Quit(int code) { return {Step::What::Quit, {}, code}; }
    static Step LoseGrab() { return {Step::What::LoseGrab, {}}; }
    static Step Error() { return {Step::What::Error, {}}; }

    // The form's client origin on the screen and the press in screen pixels.
    QPoint formAt{440, 411};
    QSize formSize{399, 201};
    QPoint press;
    QPoint pointer;
    std::deque<Step> script;

    bool capture = false;
    bool leftDown = true;
    bool fullWindowsSetting = true;
    bool onlySystemMove = false;
    bool systemMoveWorks = true;

    bool holding = false;
    std::vector<QPoint> holds;  // where each held press was, on the screen
    int holdsEnded = 0;         // holds given up without a loop
    int captures = 0;
    int systemMoves = 0;
    int dispatchedUps = 0;
    int dispatchedOthers = 0;
    int sleeps = 0;
    int movesRemoved = 0;
    std::vector<int> quitsPosted;
    std::vector<QPoint> formMoves;
    std::vector<QRect> inverted;  // every inversion, in order
    std::vector<QRect> onScreen;  // outlines inverted an odd number of times

    // Puts the pointer on a form client point and makes that the press.
    void PressAt(QPoint client) { press = pointer = formAt + client; }

    QPoint CursorPos() override { return pointer; }
    void HoldPointer(QPoint at) override
    {
        holding = true;
        holds.push_back(at);
    }
    void EndHold() override
    {
        if (holding)
            ++holdsEnded;
        holding = false;
    }
    void SetCapture() override
    {
        holding = false;
        capture = true;
        ++captures;
    }
    bool HasCapture() override { return capture; }
    void ReleaseCapture() override { capture = false; }
    bool LeftButtonDown() override { return leftDown; }

    TfcLoopMessage GetMessage() override
    {
        using K = TfcLoopMessage::Kind;
        if (script.empty())
            return {K::Error, 0};
        const Step step = script.front();
        script.pop_front();
        last_ = step.what;
        switch (step.what) {
        case Step::What::Move:
            pointer = press + step.pointer;
            return {K::MouseMove, 0};
        case Step::What::Up:
            leftDown = false;
            return {K::LButtonUp, 0};
        case Step::What::Other:
            return {K::Other, 0};
        case Step::What::LoseGrab:
            capture = false;
            return {K::Other, 0};
        case Step::What::Quit:
            return {K::Quit, step.exitCode};
        case Step::What::Error:
            break;
        }
        return {K::Error, 0};
    }
    void DispatchMessage() override
    {
        if (last_ == Step::What::Up)
            ++dispatchedUps;
        else
            ++dispatchedOthers;
    }
    void PostQuitMessage(int code) override { quitsPosted.push_back(code); }
    void Sleep(int) override { ++sleeps; }
    void RemoveMouseMoves() override
    {
        // Queued moves are dropped; the pointer ends where the last one put it.
        while (!script.empty() && script.front().what == Step::What::Move) {
            pointer = press + script.front().pointer;
            script.pop_front();
            ++movesRemoved;
        }
    }
    QPoint ClientToScreen(QPoint client) override { return formAt + client; }
    QSize FormSize() override { return formSize; }
    void MoveForm(QPoint topLeft, bool) override
    {
        formMoves.push_back(topLeft);
        formAt = topLeft;
    }
    bool DragFullWindows() override { return fullWindowsSetting; }
    bool OnlySystemMove() override { return onlySystemMove; }
    bool StartSystemMove() override
    {
        ++systemMoves;
        return systemMoveWorks;
    }
    void InvertFocusRect(const QRect& rect) override
    {
        inverted.push_back(rect);
        const auto it = std::find(onScreen.begin(), onScreen.end(), rect);
        if (it != onScreen.end())
            onScreen.erase(it);
        else
            onScreen.push_back(rect);
    }

private:
    Step::What last_ = Step::What::Other;
};
