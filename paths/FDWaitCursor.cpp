#include "paths/FDWaitCursor.h"

namespace brevant {

namespace {
std::function<void(bool)>& Hook() {
    static std::function<void(bool)> hook;
    return hook;
}
int depth = 0;  // the window's thread only
}  // namespace

void SetFDWaitCursorHook(std::function<void(bool busy)> hook) { Hook() = std::move(hook); }

TFDWaitCursor::TFDWaitCursor() {
    if (depth++ == 0 && Hook()) Hook()(true);
}

TFDWaitCursor::~TFDWaitCursor() {
    if (--depth == 0 && Hook()) Hook()(false);
}

}  // namespace brevant
