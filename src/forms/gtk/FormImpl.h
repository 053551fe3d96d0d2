#pragma once

// The GTK part of TForm, for the toolkit's own GTK code.

#include "forms/Forms.h"
#include "forms/gtk/WinControlImpl.h"

namespace Forms {

// Frame sizes the window manager adds around a top-level window's content.
struct TFrameExtents {
    int Left = 0;
    int Right = 0;
    int Top = 0;
    int Bottom = 0;
};

struct TForm::TFormImpl {
    explicit TFormImpl(TForm& AOwner) : Owner(AOwner) {}

    TForm& Owner;
    GtkWindow* Window = nullptr;  // the top-level window (null for an embedded form)
    GtkWidget* Box = nullptr;     // vertical box: menu bar, then the client area
    GtkWidget* MenuBar = nullptr; // the menu's bar while one is attached (owned by the menu)
    GtkCssProvider* ColorProvider = nullptr;
    TFrameExtents Extents; // what the window manager reported, or the last known guess
    bool ExtentsKnown = false;
    bool Mapped = false;
    bool PlacementPending = false; // first placement waits for the real frame extents
    // A client size asked with SetClientSize: the outer size follows it whenever the frame
    // turns out other than guessed. Cleared when the outer size is set.
    int ClientRequestWidth = 0;
    int ClientRequestHeight = 0;
    // The content size last asked of the window system; until the window reaches it, sizes
    // the window reports are stale and must not become the form's size.
    int RequestedWidth = 0;
    int RequestedHeight = 0;
    GMainLoop* ModalLoop = nullptr;

    // The frame of the last window the window manager reported, as a guess for new ones.
    static TFrameExtents& LastExtents(bool Decorated);

    void ReadExtents();
    int MenuHeight() const;
    // Content size for the form's outer size.
    void ContentSizeFor(int OuterWidth, int OuterHeight, int& Width, int& Height) const;
    // Makes a window that cannot be resized take this content size (and undoes that for one
    // that can).
    void FixContentSize(int Width, int Height);

    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer Data);
    static gboolean OnWindowState(GtkWidget*, GdkEventWindowState* Event, gpointer Data);
    static gboolean OnConfigure(GtkWidget*, GdkEventConfigure* Event, gpointer Data);
    static gboolean OnMap(GtkWidget*, GdkEvent*, gpointer Data);
    static gboolean OnProperty(GtkWidget*, GdkEventProperty* Event, gpointer Data);
    static gboolean OnKey(GtkWidget*, GdkEventKey* Event, gpointer Data);
    static gboolean OnUnhandledKey(GtkWidget*, GdkEventKey* Event, gpointer Data);
};

// The form whose native window is Window, or null.
TForm* FormOfWindow(GtkWindow* Window);

// Windows virtual-key code of a GDK key event (letters and digits as their upper-case
// character, function and editing keys as their VK_ codes); 0 when it has none.
unsigned VirtualKeyOf(const GdkEventKey* Event);
// ssShift 1, ssAlt 2, ssCtrl 4 from the event's modifier state.
unsigned ShiftStateOf(const GdkEventKey* Event);

} // namespace Forms
