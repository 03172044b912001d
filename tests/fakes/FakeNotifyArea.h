#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tray/NotifyArea.h"

// A notification area the test scripts: it records every request in order,
// answers as told, keeps the icons it accepted and the running timers, and
// lets the test deliver reports and ticks as the desktop would.
class FakeNotifyArea : public TNotifyArea {
public:
    struct Request {
        std::string what;  // "Add", "Modify", "Remove"
        TNotifyIconData data;
    };
    std::vector<Request> requests;
    std::vector<std::string> timerCalls;  // "SetTimer(147,1000)", "KillTimer(147)"

    bool available = true;
    bool acceptAdd = true;
    bool acceptModify = true;
    bool acceptRemove = true;
    std::optional<QPoint> cursor = QPoint(10, 20);
    std::map<std::string, QIcon> resources;

    std::map<std::pair<TNotifyWindow*, std::uint32_t>, TNotifyIconData> shown;
    std::map<std::pair<TNotifyWindow*, std::uint32_t>, std::uint32_t> timers;  // period
    std::vector<TNotifyWindow*> destroyed;

    bool Add(const TNotifyIconData& data) override
    {
        requests.push_back({"Add", data});
        const auto key = std::make_pair(data.hWnd, data.uID);
        if (!acceptAdd || !available || shown.count(key) != 0)
            return false;
        shown[key] = data;
        return true;
    }
    bool Modify(const TNotifyIconData& data) override
    {
        requests.push_back({"Modify", data});
        const auto found = shown.find({data.hWnd, data.uID});
        if (!acceptModify || found == shown.end())
            return false;
        found->second = data;
        return true;
    }
    bool Remove(const TNotifyIconData& data) override
    {
        requests.push_back({"Remove", data});
        if (!acceptRemove)
            return false;
        return shown.erase({data.hWnd, data.uID}) != 0;
    }
    bool Available() const override { return available; }
    void SetTimer(TNotifyWindow* window, std::uint32_t id, std::uint32_t ms) override
    {
        timerCalls.push_back("SetTimer(" + std::to_string(id) + "," + std::to_string(ms) + ")");
        timers[{window, id}] = ms;
    }
    void KillTimer(TNotifyWindow* window, std::uint32_t id) override
    {
        timerCalls.push_back("KillTimer(" + std::to_string(id) + ")");
        timers.erase({window, id});
    }
    void WindowDestroyed(TNotifyWindow* window) override
    {
        destroyed.push_back(window);
        for (auto it = timers.begin(); it != timers.end();)
            it = it->first.first == window ? timers.erase(it) : std::next(it);
        for (auto it = shown.begin(); it != shown.end();)
            it = it->first.first == window ? shown.erase(it) : std::next(it);
    }
    std::optional<QPoint> CursorPos() const override { return cursor; }
    QIcon LoadIcon(const std::string& name) const override
    {
        const auto found = resources.find(name);
        return found == resources.end() ? QIcon() : found->second;
    }

    // Ticks every running timer of `window` once, as the desktop would.
    void Tick(TNotifyWindow* window, std::uint32_t id)
    {
        if (timers.count({window, id}) != 0)
            window->Dispatch(NotifyMessage::WM_TIMER, id, 0);
    }
    // The names of the requests so far, e.g. "Add Modify".
    std::string Names() const
    {
        std::string out;
        for (const Request& r : requests)
            out += (out.empty() ? "" : " ") + r.what;
        return out;
    }
    void Forget()
    {
        requests.clear();
        timerCalls.clear();
    }
};
