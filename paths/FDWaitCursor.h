#pragma once
// The wait cursor the Access path shows by itself while it works. The layer has no
// window of its own: the application installs a hook that shows (true) and removes
// (false) the cursor; nested guards show it once.

#include <functional>

namespace brevant {

void SetFDWaitCursorHook(std::function<void(bool busy)> hook);

class TFDWaitCursor {
public:
    TFDWaitCursor();
    ~TFDWaitCursor();
    TFDWaitCursor(const TFDWaitCursor&) = delete;
    TFDWaitCursor& operator=(const TFDWaitCursor&) = delete;
};

}  // namespace brevant
