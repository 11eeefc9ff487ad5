#pragma once

#include "link/ScriptLink.h"

#include <QString>

#include <optional>

// The window's port lent to one tool that runs its own exchanges (a scan, the monitor, a
// configuration read, a profile write): who holds it, and whether the pages had it open
// before, at the line the tool works at. One loan at a time: a second tool is refused
// until the first gives the port back.
class PortLoan {
public:
    bool Held() const { return !holder.isEmpty(); }
    const QString& Holder() const { return holder; }
    bool WasOpen() const { return wasOpen; }
    const LineSettings& Line() const { return line; }
    // The line the port opens at when the loan ends as it began: the tool's line when the
    // pages had the port open, none when they had not.
    std::optional<LineSettings> LineBefore() const {
        return wasOpen ? std::optional<LineSettings>(line) : std::nullopt;
    }

    // False, with nothing changed, while another loan is held.
    bool Begin(const QString& by, bool portWasOpen, const LineSettings& at) {
        if (Held() || by.isEmpty())
            return false;
        holder = by;
        wasOpen = portWasOpen;
        line = at;
        return true;
    }
    void End() {
        holder.clear();
        wasOpen = false;
        line = {};
    }

private:
    QString holder;
    bool wasOpen = false;
    LineSettings line;
};
