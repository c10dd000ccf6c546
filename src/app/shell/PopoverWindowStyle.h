#pragma once

class QQuickView;

// How the popover window asks to be shown. Where windows place themselves (X11) it is a
// frameless tool window kept above the others, put beside the tray icon. On Wayland no window may
// place itself and a tiling compositor tiles every ordinary window beside the others, cutting the
// popover's content: there it is a dialog whose size follows its content and is otherwise fixed,
// which tiling compositors float and every compositor shows whole, where it chooses.
namespace PopoverWindowStyle {

// Whether the popover can be put where the shell wants it.
bool canPlaceItself();

// Once the view's root is loaded.
void apply(QQuickView &view);

} // namespace PopoverWindowStyle
