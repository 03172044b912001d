#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tray/TrayBackend.h"

// A tray the test scripts: it records every request in order, answers as
// told, keeps the icons it accepted, and lets the test report activations
// as the desktop would.
class FakeTrayBackend : public TTrayBackend {
public:
    struct Request {
        std::string what;  // "Add", "Modify", "Remove"
        std::uint32_t id = 0;
        Look look;
    };
    std::vector<Request> requests;

    bool available = true;
    bool acceptAdd = true;
    bool acceptModify = true;
    bool acceptRemove = true;

    std::map<std::uint32_t, Look> shown;

    bool Add(std::uint32_t id, const Look& look) override
    {
        requests.push_back({"Add", id, look});
        if (!acceptAdd || !available || shown.count(id) != 0)
            return false;
        shown[id] = look;
        return true;
    }
    bool Modify(std::uint32_t id, const Look& look) override
    {
        requests.push_back({"Modify", id, look});
        const auto found = shown.find(id);
        if (!acceptModify || found == shown.end())
            return false;
        found->second = look;
        return true;
    }
    bool Remove(std::uint32_t id) override
    {
        requests.push_back({"Remove", id, {}});
        if (!acceptRemove)
            return false;
        return shown.erase(id) != 0;
    }
    bool Available() const override { return available; }

    // The user's activation of the icon `id`, as the desktop reports it.
    void Activate(std::uint32_t id, TTrayActivation activation) const { Report(id, activation); }

    // The names of the requests so far, e.g. "Add Modify".
    std::string Names() const
    {
        std::string out;
        for (const Request& r : requests)
            out += (out.empty() ? "" : " ") + r.what;
        return out;
    }
    void Forget() { requests.clear(); }
};
