#pragma once
// Real input, as a user's mouse and keyboard give it: SendInput puts the events into the system's
// input queue, where they wait behind whatever is posted to the window, while posted messages
// would jump that queue. For the window tests and the window benchmarks. Windows builds only.
#include <windows.h>

namespace Ravenquill::Testing {

// Moves the pointer to a point on the primary screen; false when it did not land there.
inline bool SendPointerTo(POINT at) {
    // Absolute coordinates run from 0 to 65536 over the primary screen; the system takes the whole
    // pixel a coordinate falls into.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = static_cast<LONG>((static_cast<long long>(at.x) * 65536 + width - 1) / width);
    move.mi.dy = static_cast<LONG>((static_cast<long long>(at.y) * 65536 + height - 1) / height);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    if (SendInput(1, &move, sizeof(INPUT)) != 1) return false;
    // The system may move the pointer a moment later.
    for (int wait = 0; wait < 50; ++wait) {
        POINT cursor{};
        if (GetCursorPos(&cursor) && cursor.x == at.x && cursor.y == at.y) return true;
        Sleep(10);
    }
    return false;
}

// The left button pressed and released where the pointer is.
inline bool SendLeftClick() {
    INPUT press[2]{};
    press[0].type = press[1].type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(2, press, sizeof(INPUT)) == 2;
}

// Two clicks where the pointer is: at once, as one double click of the hardware, or the gap apart.
inline bool SendLeftClicks(DWORD gapMs) {
    if (gapMs == 0) {
        INPUT clicks[4]{};
        for (INPUT& click : clicks) click.type = INPUT_MOUSE;
        clicks[0].mi.dwFlags = clicks[2].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        clicks[1].mi.dwFlags = clicks[3].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        return SendInput(4, clicks, sizeof(INPUT)) == 4;
    }
    if (!SendLeftClick()) return false;
    Sleep(gapMs);
    return SendLeftClick();
}

// A key pressed and released, for the window that has the keyboard focus.
inline bool SendKey(WORD key) {
    INPUT keys[2]{};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = key;
    keys[0].ki.wScan = keys[1].ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, keys, sizeof(INPUT)) == 2;
}

}  // namespace Ravenquill::Testing
