// What the playlist window tells the window that opened it (the main window implements this).
#pragma once

#include <string>

namespace dovex {

class IPlayListHost {
public:
    // The playlist window has been destroyed after it closed (its OnPlayListDestroy event).
    virtual void PlayListDestroyed() = 0;
    // A group's name was changed in the model and its registry key moved (its OnGroupNameChanged event).
    virtual void GroupNameChanged(const std::wstring& oldName, const std::wstring& newName) = 0;

protected:
    ~IPlayListHost() = default;
};

} // namespace dovex
