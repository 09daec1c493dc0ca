#include "engine/engine_win.h"

#include "engine/engine_state.h"

HINSTANCE appInstance = nullptr;

static void postStateChanged(void* window) {
    PostMessageW(static_cast<HWND>(window), WM_ENGINE_STATE_CHANGED, 0, 0);
}

void connectEngineToWindows() {
    engine.ui.postStateChanged = postStateChanged;
}
