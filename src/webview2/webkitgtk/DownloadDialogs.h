#pragma once

// What a download asks and tells the user: where to save it, and why it failed.

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace WebView2::WebKitGtk {

// The window Widget is in, which owns the dialogs about it; null when it is in none.
GtkWindow* OwnerWindowOf(GtkWidget* Widget);

// The folder the save dialog starts in: the user's download folder, or the home folder when
// there is none.
std::string DownloadFolder();

// Asks where to save a download: the save dialog, modal for Owner, in the download folder with
// Name filled in; replacing a file that exists takes the user's confirmation. Returns at once;
// Done gets the chosen path, or an empty one when the user cancelled.
void AskDownloadDestination(GtkWindow* Owner, const std::string& Name,
                            std::function<void(const std::string& Path)> Done);

// Tells the user, in a message owned by Owner, that Name could not be saved and why. Returns at
// once.
void ShowDownloadFailed(GtkWindow* Owner, const std::string& Name, const std::string& Reason);

} // namespace WebView2::WebKitGtk
