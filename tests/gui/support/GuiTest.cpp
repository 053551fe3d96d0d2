#include "GuiTest.h"

#include "forms/gtk/WinControlImpl.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace GuiTest {

bool HasDisplay() {
    return gdk_display_get_default() != nullptr;
}

std::string TestEnginePath() {
    return VTR_TEST_ENGINE_PATH;
}
std::string WebKitEnginePath() {
    return VTR_WEBKIT_ENGINE_PATH;
}

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vtr-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    FPath = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
}

TTopWindow::TTopWindow(int ClientWidth, int ClientHeight) {
    TWinControl::SetBounds(0, 0, ClientWidth, ClientHeight);
}

TTopWindow::~TTopWindow() {
    // The children go first, while the window still exists, as a form frees its controls.
    while (ControlCount() > 0) {
        Controls(0)->SetParent(nullptr);
    }
}

Forms::TNativeWidget* TTopWindow::CreateNativeWidget(Forms::TNativeWidget*& ClientArea) {
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), Width(), Height());
    GtkWidget* layout = gtk_layout_new(nullptr, nullptr);
    gtk_container_add(GTK_CONTAINER(window), layout);
    ClientArea = Forms::FromGtk(layout);
    return Forms::FromGtk(window);
}

void TTopWindow::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (HandleAllocated()) {
        GtkWidget* window = gtk_widget_get_toplevel(Forms::ToGtk(Handle()));
        gtk_window_resize(GTK_WINDOW(window), AWidth, AHeight);
    }
}

void TTopWindow::ResizeClient(int ClientWidth, int ClientHeight) {
    GtkWidget* window = gtk_widget_get_toplevel(Forms::ToGtk(Handle()));
    gtk_window_resize(GTK_WINDOW(window), ClientWidth, ClientHeight);
}

void TTopWindow::ShowWindow() {
    HandleNeeded();
    GtkWidget* window = gtk_widget_get_toplevel(Forms::ToGtk(Handle()));
    gtk_widget_show(window);
    gtk_window_present(GTK_WINDOW(window));
    RunUntil([&] { return gtk_widget_get_mapped(window) && gtk_window_is_active(GTK_WINDOW(window)); }, 5000);
}

unsigned long TTopWindow::XWindow() {
    GtkWidget* window = gtk_widget_get_toplevel(Forms::ToGtk(Handle()));
    GdkWindow* gdk = gtk_widget_get_window(window);
    return gdk != nullptr ? GDK_WINDOW_XID(gdk) : 0;
}

bool TTopWindow::IsShortCut(const Forms::TKeyMessage& Message) {
    return ShortCut && ShortCut(Message);
}

} // namespace GuiTest
