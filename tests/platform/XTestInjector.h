#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

// Synthesises input on the test display through XTest, on a connection of the test's own.
class XTestInjector
{
public:
    XTestInjector()
        : m_display(XOpenDisplay(nullptr))
    {}
    ~XTestInjector()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    XTestInjector(const XTestInjector &) = delete;
    XTestInjector &operator=(const XTestInjector &) = delete;

    bool isOpen() const { return m_display != nullptr; }

    bool hasKey(KeySym keysym) const { return XKeysymToKeycode(m_display, keysym) != 0; }
    void keyTap(KeySym keysym = XK_a)
    {
        const KeyCode code = XKeysymToKeycode(m_display, keysym);
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
        sync();
    }
    // Types printable ASCII text key by key, with Shift held where the character needs it.
    void typeText(const char *text)
    {
        const KeyCode shift = XKeysymToKeycode(m_display, XK_Shift_L);
        for (const char *c = text; *c != '\0'; ++c) {
            // Printable Latin-1 characters are their own keysyms.
            const auto keysym = static_cast<KeySym>(static_cast<unsigned char>(*c));
            const KeyCode code = XKeysymToKeycode(m_display, keysym);
            const bool shifted = XkbKeycodeToKeysym(m_display, code, 0, 0) != keysym;
            if (shifted)
                XTestFakeKeyEvent(m_display, shift, True, CurrentTime);
            XTestFakeKeyEvent(m_display, code, True, CurrentTime);
            XTestFakeKeyEvent(m_display, code, False, CurrentTime);
            if (shifted)
                XTestFakeKeyEvent(m_display, shift, False, CurrentTime);
            sync();
        }
    }
    // Ctrl+A: selects what a text field holds, so typing replaces it.
    void selectAll()
    {
        const KeyCode control = XKeysymToKeycode(m_display, XK_Control_L);
        XTestFakeKeyEvent(m_display, control, True, CurrentTime);
        keyTap(XK_a);
        XTestFakeKeyEvent(m_display, control, False, CurrentTime);
        sync();
    }
    void moveBy(int dx, int dy)
    {
        XTestFakeRelativeMotionEvent(m_display, dx, dy, CurrentTime);
        sync();
    }
    // Moves the pointer to a point of the screen as a real motion (counted as input).
    void moveTo(const int x, const int y)
    {
        XTestFakeMotionEvent(m_display, -1, x, y, CurrentTime);
        sync();
    }
    void button(unsigned int number, bool press)
    {
        XTestFakeButtonEvent(m_display, number, press ? True : False, CurrentTime);
        sync();
    }
    void click(unsigned int number)
    {
        button(number, true);
        button(number, false);
    }
    // Puts the pointer in the middle of the screen without raw motion (a warp is not input).
    void centrePointer()
    {
        const int screen = XDefaultScreen(m_display);
        XWarpPointer(m_display, 0, XDefaultRootWindow(m_display), 0, 0, 0, 0,
                     XDisplayWidth(m_display, screen) / 2, XDisplayHeight(m_display, screen) / 2);
        sync();
    }

private:
    void sync() { XSync(m_display, False); }

    Display *m_display = nullptr;
};
