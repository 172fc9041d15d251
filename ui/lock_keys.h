// The state of the Caps Lock, Num Lock and Scroll Lock keys for the status bar's indicators,
// read from the keyboard LEDs the kernel exposes under /sys/class/leds (any keyboard's LED
// counts). Where there are none (a remote display, a virtual one) every key reads as off.
#pragma once

struct LockKeys {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

LockKeys readLockKeys();
