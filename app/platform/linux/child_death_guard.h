#pragma once

namespace tarnwick {

// Makes every tool child die with Tarnwick, also when Tarnwick itself is killed: a hung
// `gio` must not outlive the program that started it. Linux only.
class ChildDeathGuard {
public:
    // Installs the guard for all later tool runs. Main thread, at start-up; idempotent.
    static void install();
};

} // namespace tarnwick
