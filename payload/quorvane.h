#pragma once
// What other programs (the tests' driver among them) may rely on: window class, command, exit codes.

namespace quorvane {

// The hidden main window, owner of the notification-area icon.
inline constexpr const char kWindowClass[] = "QuorvaneIdleWatch";
// The full-screen curtain shown just before the session is locked.
inline constexpr const char kCurtainClass[] = "QuorvaneCurtain";
// Names the running instance for the session, so a second start can see it.
inline constexpr const char kInstanceMutex[] = "Local\\QuorvaneIdleLock";

// WM_COMMAND identifier of the menu entry that ends the program.
inline constexpr unsigned kCmdQuit = 100;
// Resource identifier of the program's icon (16 and 32 pixels).
inline constexpr unsigned kAppIcon = 1;
// Resource identifier of the curtain artwork (RT_BITMAP, 32 bits per pixel).
inline constexpr unsigned kCurtainBitmap = 1;

enum ExitCode : unsigned {
    kExitOk = 0,
    kExitStartFailed = 1,
    kExitAlreadyRunning = 2,
};

}  // namespace quorvane
